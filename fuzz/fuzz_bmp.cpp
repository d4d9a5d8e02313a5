// BMP loading: arbitrary bytes as a day's photo (the whole picture and a thumbnail).
#define KELTO_FUZZ_PICTURE "bmp"
#include "FuzzPicture.h"
