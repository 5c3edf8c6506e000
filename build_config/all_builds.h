// The parameter sets of all five builds, for the test equipment that has to
// know every drive configuration (the simulated drive, layout tests).
#pragma once

#include "build1/parameters.h"
#include "build2/parameters.h"
#include "build3/parameters.h"
#include "build4/parameters.h"
#include "build5/parameters.h"
#include "firmware_families.h"

inline constexpr int BUILD_COUNT = 5;

inline constexpr const BuildParameters* ALL_BUILDS[BUILD_COUNT] = {
    &BUILD_1_PARAMETERS, &BUILD_2_PARAMETERS, &BUILD_3_PARAMETERS, &BUILD_4_PARAMETERS, &BUILD_5_PARAMETERS,
};

static_assert(
    [] {
        for (const BuildParameters* build : ALL_BUILDS) {
            if (!fits_field(build->fw_build_date, STAMP_TEXT_FIELD_BYTES)) {
                return false;
            }
        }
        return true;
    }(),
    "a firmware build date does not fit its stamp field");
