/* The main line in the launcher's tests is built as a vendor's would be:
   fades of other lengths, a title in other scripts, and a picture at twice
   the large size, for which the small picture stands in, so that the tests
   can tell which one was loaded. */
#ifndef ORVELINE_PRODUCT_H
#define ORVELINE_PRODUCT_H

#define ORVELINE_PRODUCT_NAME "Orveline"
#define ORVELINE_FILE_DESCRIPTION "Orveline splash launcher"
#define ORVELINE_VERSION_TEXT "1.0.0.0"
#define ORVELINE_VERSION_NUMBERS 1, 0, 0, 0
#define ORVELINE_FADE_IN_MS 641
#define ORVELINE_HOLD_MS 1000
#define ORVELINE_FADE_OUT_MS 1300
#define ORVELINE_TITLE_W L"\x00dc\x0062\x0065\x0072 \x65e5\x672c"
#define ORVELINE_LARGE_TWICE_FILE "tal800.bmp"

#endif
