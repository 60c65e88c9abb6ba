/* The main line in the launcher's tests is built as a vendor's would be:
   fades of other lengths, a title in other scripts, and a picture at twice
   the large size, for which the small picture stands in, so that the tests
   can tell which one was loaded. The rest is the shipped product's. */
#ifndef ORVELINE_TEST_PRODUCT_H
#define ORVELINE_TEST_PRODUCT_H

#include "../../../launcher/product.h"

#undef ORVELINE_FADE_IN_MS
#undef ORVELINE_HOLD_MS
#undef ORVELINE_FADE_OUT_MS
#define ORVELINE_FADE_IN_MS 641
#define ORVELINE_HOLD_MS 1000
#define ORVELINE_FADE_OUT_MS 1300
#define ORVELINE_TITLE_W L"\x00dc\x0062\x0065\x0072 \x65e5\x672c"
#define ORVELINE_LARGE_TWICE_FILE "tal800.bmp"

#endif
