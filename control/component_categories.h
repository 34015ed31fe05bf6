// The host tool suite's component categories. DllRegisterServer creates
// every one, in this order, and registers the class as implementing those
// marked 1. The installers' registry rows are made from this table too
// (cmake/Registration.cmake reads it): one entry per line.
#pragma once

// The suite's category ids differ only in their first field:
// {xxxxxxxx-CCB3-11D2-B795-0008C772402B}.
// clang-format off
#define KVR_SUITE_CATEGORY(first) \
  {first, 0xCCB3, 0x11D2, {0xB7, 0x95, 0x00, 0x08, 0xC7, 0x72, 0x40, 0x2B}}
// clang-format on

// X(first field of the id, description in locale 409, implemented by the class)
#define KVR_SUITE_CATEGORIES(X)                       \
  X(0x48438240, "KVR BEX Component", 1)               \
  X(0x48438241, "KVR BEX User Interface", 1)          \
  X(0x48438242, "KVR BEX Provider", 0)                \
  X(0x48438243, "KVR BEX Configuration Component", 0) \
  X(0x48438244, "KVR ZEF MfcMdiComponent", 0)         \
  X(0x48438246, "KVR ZEF BaseComponent", 0)           \
  X(0x48438245, "KVR ZEF Feature", 0)                 \
  X(0x48438247, "KVR Settings Component", 0)          \
  X(0x48438248, "KVR BEX Custom Filter Component", 0) \
  X(0x48438249, "KVR BEX Common Audio Control", 0)
