// The library's resource types and ids, and the about dialog's control ids:
// the resource script (Parfelle.rc, through the preprocessor; Linux's
// embedding reads these lines too) and the code that looks them up.
#pragma once

#define PARFELLE_TYPE_VERTEX_PROGRAM 256
#define PARFELLE_TYPE_IMAGE 257

#define PARFELLE_ID_KNOB_PROGRAM 101
#define PARFELLE_ID_ABOUT_DIALOG 102
#define PARFELLE_ID_DISC_IMAGE 113

#define PARFELLE_ABOUT_MAKER 103
#define PARFELLE_ABOUT_WEB_BUTTON 104
#define PARFELLE_ABOUT_PRODUCT 105
#define PARFELLE_ABOUT_VERSION 106
#define PARFELLE_ABOUT_PREFERENCES_FRAME 109
#define PARFELLE_ABOUT_TOOLTIP_CHECK 110
