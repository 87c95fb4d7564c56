#pragma once

// Shared by the resource script and the code. Each picture and the cursor are
// also drawn for 120, 144 and 192 dots per inch, under their id plus 100, 200
// and 300; the icon holds all its sizes in one group.
#define IDI_STOWLARK 1
#define IDC_HAND_POINTER 2
#define IDR_BACKGROUND 10
#define IDR_GO 11
#define IDR_MINIMISE 12
#define IDR_ABOUT 13
#define IDR_CLOSE 14
#define DENSITY_ID_STEP 100
// The Restore dialog: which backup, as it was when, and which of its files.
#define IDD_RESTORE 20
#define IDC_FROM 21
#define IDC_AS_OF 22
#define IDC_FILES 23
#define IDC_TOTALS 24
#define IDC_PICTURE 25
#define IDC_PIXELS 26
