// Resource identifiers of purgalot.exe.
#pragma once

#define IDI_APPLICATION_ICON 1
