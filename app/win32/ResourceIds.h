#pragma once

// Shared by the resource script and the code.
#define IDI_STOWLARK 1
#define IDC_HAND_POINTER 2
#define IDR_BACKGROUND 10
#define IDR_GO 11
#define IDR_MINIMISE 12
#define IDR_ABOUT 13
#define IDR_CLOSE 14
