/* What a vendor's build of the launcher may make its own, here with the
   shipped values. scripts/build-with-artwork.sh writes a file of this name
   into its own folder, which comes first on the include path, so that the
   same sources build either. Read by the resource scripts and the main
   line; a vendor's file may also define ORVELINE_TITLE_W (the window's
   title, a wide string), ORVELINE_COMPANY_NAME, ORVELINE_COPYRIGHT,
   ORVELINE_ICON_FILE and ORVELINE_LARGE_TWICE_FILE. */
#ifndef ORVELINE_PRODUCT_H
#define ORVELINE_PRODUCT_H

#define ORVELINE_PRODUCT_NAME "Orveline"
#define ORVELINE_FILE_DESCRIPTION "Orveline splash launcher"
#define ORVELINE_VERSION_TEXT "1.0.0.0"
#define ORVELINE_VERSION_NUMBERS 1, 0, 0, 0
#define ORVELINE_FADE_IN_MS 1280
#define ORVELINE_HOLD_MS 2000
#define ORVELINE_FADE_OUT_MS 640

#endif
