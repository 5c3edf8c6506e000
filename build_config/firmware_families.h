// Provenance texts of each firmware family's release, carried in the stamp:
// where and by whom the firmware images were built. They mean nothing to the
// tool. Until a release brings its own, these placeholders stand in; a
// release replaces them together with its image files.
#pragma once

#include <cstddef>
#include <string_view>

#include "build_parameters.h"

// Widths of the stamp's path and text fields, terminator included.
inline constexpr size_t STAMP_PATH_FIELD_BYTES = 512;
inline constexpr size_t STAMP_TEXT_FIELD_BYTES = 32;

struct FirmwareBuildTexts {
    const char* source_path;
    const char* build_host;
    const char* build_user;
};

inline constexpr FirmwareBuildTexts FIRMWARE_FAMILY_A_TEXTS{
    .source_path = "D:\\release\\firmware_a\\source",
    .build_host = "FWBUILD-A",
    .build_user = "release",
};

inline constexpr FirmwareBuildTexts FIRMWARE_FAMILY_B_TEXTS{
    .source_path = "D:\\release\\firmware_b\\source",
    .build_host = "FWBUILD-B",
    .build_user = "release",
};

constexpr const FirmwareBuildTexts& firmware_family_texts(FirmwareFamily family) {
    return family == FirmwareFamily::A ? FIRMWARE_FAMILY_A_TEXTS : FIRMWARE_FAMILY_B_TEXTS;
}

// A text fits its stamp field when its terminator does too.
constexpr bool fits_field(const char* text, size_t field_bytes) {
    return std::string_view(text).size() < field_bytes;
}

constexpr bool firmware_texts_fit(const FirmwareBuildTexts& texts) {
    return fits_field(texts.source_path, STAMP_PATH_FIELD_BYTES) &&
           fits_field(texts.build_host, STAMP_TEXT_FIELD_BYTES) &&
           fits_field(texts.build_user, STAMP_TEXT_FIELD_BYTES);
}

static_assert(firmware_texts_fit(FIRMWARE_FAMILY_A_TEXTS));
static_assert(firmware_texts_fit(FIRMWARE_FAMILY_B_TEXTS));
