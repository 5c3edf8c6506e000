// Bits of the stamp's build_options word: the options the drive firmware was
// built with. Bit 8 has no name.
#pragma once

#include <cstdint>

inline constexpr uint32_t OPTION_2_PLANE = 1u << 0;
inline constexpr uint32_t OPTION_COPY_BACK = 1u << 1;
inline constexpr uint32_t OPTION_WAIT_FLASH = 1u << 2;
inline constexpr uint32_t OPTION_DRAM_ECC = 1u << 3;
inline constexpr uint32_t OPTION_ATA8ACS2_TRIM = 1u << 4;
inline constexpr uint32_t OPTION_DELETE = 1u << 5;
inline constexpr uint32_t OPTION_READ_PRIORITY = 1u << 6;
inline constexpr uint32_t OPTION_READ_LOOK_AHEAD = 1u << 7;
inline constexpr uint32_t OPTION_FW_SCRAMBLE = 1u << 9;
inline constexpr uint32_t OPTION_GPIO_DEBUG = 1u << 10;
inline constexpr uint32_t OPTION_BACKGROUND_GC = 1u << 11;
inline constexpr uint32_t OPTION_NO_AUTO_SEL = 1u << 12;
inline constexpr uint32_t OPTION_RANDOM_WRITE_FAST = 1u << 13;
inline constexpr uint32_t OPTION_SECTOR_EARLY_OUT = 1u << 14;
inline constexpr uint32_t OPTION_WEAR_LEVELING = 1u << 15;
inline constexpr uint32_t OPTION_SANITARY_ERASE = 1u << 16;
inline constexpr uint32_t OPTION_FORCE_DIPM_OP = 1u << 17;
inline constexpr uint32_t OPTION_ENABLE_ATA_PM = 1u << 18;
inline constexpr uint32_t OPTION_ENABLE_HIPM = 1u << 19;
inline constexpr uint32_t OPTION_SMART = 1u << 20;
inline constexpr uint32_t OPTION_SMART_ERR_LOG = 1u << 21;
inline constexpr uint32_t OPTION_RESTART_ON_SYNC = 1u << 22;
inline constexpr uint32_t OPTION_ECC_CHECK = 1u << 23;
inline constexpr uint32_t OPTION_DATA_REFRESH = 1u << 24;
inline constexpr uint32_t OPTION_READ_VERIFY = 1u << 25;
inline constexpr uint32_t OPTION_READ_FAIL = 1u << 26;
inline constexpr uint32_t OPTION_FINE_GRAIN_BBM = 1u << 27;
inline constexpr uint32_t OPTION_FLASH_OVERCLOCK = 1u << 28;
inline constexpr uint32_t OPTION_ACTIVITY_LED = 1u << 29;
inline constexpr uint32_t OPTION_OVER_PROVISION = 1u << 30;
inline constexpr uint32_t OPTION_OP_ERR_TEST = 1u << 31;
