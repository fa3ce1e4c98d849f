#pragma once
// Resource identifiers shared by tavelin.rc and the code.
#define IDI_TAVELIN 1
