// The operator message box: shows one text and returns when the operator has
// acknowledged it. On a console platform the text is shown on the console and
// one key is awaited; closed input acknowledges at once.
#pragma once

namespace platform {

void message_box(const char* text);

}  // namespace platform
