#pragma once
// Resource identifiers shared by tavelin.rc and the code.
#define IDI_TAVELIN 1
#define IDB_PHOTO 2      // the About window's photograph, 48 x 60, 24-bit
#define IDC_LINKHAND 3   // the pointing hand over link labels
