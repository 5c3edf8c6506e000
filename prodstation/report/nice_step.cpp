#include "nice_step.h"

#include <cmath>
#include <initializer_list>

namespace station_report {

double nice_step(double at_least) {
    const double power = std::pow(10.0, std::floor(std::log10(at_least)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= at_least * (1 - 1e-9)) {
            return factor * power;
        }
    }
    return 10 * power;
}

}  // namespace station_report
