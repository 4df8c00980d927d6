#pragma once

// The backend of real units on this system: Windows' own HID calls there (hidapi's Windows
// backend does not start under Wine, where it is tested), hidapi everywhere else. A program that
// names it links upsconfig_system_hid.
#ifdef _WIN32
#include "device/WindowsHidBackend.h"
namespace upsconfig {
using SystemHidBackend = WindowsHidBackend;
}
#else
#include "device/HidapiBackend.h"
namespace upsconfig {
using SystemHidBackend = HidapiBackend;
}
#endif
