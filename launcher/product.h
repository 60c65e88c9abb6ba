/* The shipped product's texts, as the file's properties show them; read by
   the resource script and by the branding tool, whose vendor's texts take
   their place. The version comes from orveline_version.h. */
#ifndef ORVELINE_PRODUCT_H
#define ORVELINE_PRODUCT_H

#include "orveline_version.h"

#define ORVELINE_PRODUCT_NAME "Orveline"
#define ORVELINE_FILE_DESCRIPTION "Orveline splash launcher"
#define ORVELINE_VERSION_NUMBERS                                                                   \
    ORVELINE_VERSION_MAJOR, ORVELINE_VERSION_MINOR, ORVELINE_VERSION_PATCH, 0

#endif
