# Sourced by build-with-artwork.sh: a vendor's own product in the launcher.
# product_option takes one option of the command line (and its value) and
# remembers it; check_product refuses any that is wrong, with the reason,
# before anything is built; write_product writes the product.h that the
# build finds before the shipped one (launcher/product.h), with the
# vendor's values and the shipped values for the rest, and its icon. With
# no option given it holds just the shipped values: the program is then the
# plain build's, byte for byte. It is written every time, so that the build
# always knows of it and rebuilds what reads it when it changes.

product_name="Orveline"
product_description="Orveline splash launcher"
product_version="1.0.0.0"
product_company=
product_copyright=
product_title=
product_icon=
product_large_twice=
product_fade_in=1280
product_hold=2000
product_fade_out=640

# product_option OPTION VALUE: 0 when it was one of ours.
product_option() {
  case "$1" in
    --product) product_name=$2 ;;
    --company) product_company=$2 ;;
    --version) product_version=$2 ;;
    --description) product_description=$2 ;;
    --copyright) product_copyright=$2 ;;
    --title) product_title=$2 ;;
    --icon) product_icon=$2 ;;
    --large-2x) product_large_twice=$2 ;;
    --fade-in) product_fade_in=$2 ;;
    --hold) product_hold=$2 ;;
    --fade-out) product_fade_out=$2 ;;
    *) return 1 ;;
  esac
}

product_refuse() {
  echo "build-with-artwork: $1" >&2
  return 1
}

# A text for the file's properties or the window's title: UTF-8, not empty,
# no control characters, and not longer than the properties dialog shows.
product_check_text() {
  local what=$1 text=$2
  [ -n "$text" ] || { product_refuse "$what is empty"; return 1; }
  printf '%s' "$text" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 ||
    { product_refuse "$what is not UTF-8 text: $text"; return 1; }
  if printf '%s' "$text" | LC_ALL=C grep -q '[[:cntrl:]]'; then
    product_refuse "$what holds a control character"
    return 1
  fi
  [ "$(printf '%s' "$text" | wc -m)" -le 200 ] ||
    { product_refuse "$what is longer than 200 characters"; return 1; }
}

# Milliseconds: a whole number from 0 to a minute; a longer show keeps the
# installer waiting for no reason a user would accept.
product_check_ms() {
  local what=$1 value=$2
  [[ $value =~ ^[0-9]{1,9}$ ]] ||
    { product_refuse "$what must be a whole number of milliseconds, not '$value'"; return 1; }
  [ $((10#$value)) -le 60000 ] ||
    { product_refuse "$what of $value ms is over a minute (60000 ms at the most)"; return 1; }
}

check_product() {
  product_check_text "--product" "$product_name" || return 1
  product_check_text "--description" "$product_description" || return 1
  [ -z "$product_company" ] || product_check_text "--company" "$product_company" || return 1
  [ -z "$product_copyright" ] || product_check_text "--copyright" "$product_copyright" || return 1
  [ -z "$product_title" ] || product_check_text "--title" "$product_title" || return 1
  [[ $product_version =~ ^[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}(\.[0-9]{1,5})?$ ]] ||
    { product_refuse "--version must be X.Y.Z or X.Y.Z.W, not '$product_version'"; return 1; }
  local part
  for part in ${product_version//./ }; do
    [ $((10#$part)) -le 65535 ] ||
      { product_refuse "--version parts are 0 to 65535, not $part"; return 1; }
  done
  product_check_ms "--fade-in" "$product_fade_in" || return 1
  product_check_ms "--hold" "$product_hold" || return 1
  product_check_ms "--fade-out" "$product_fade_out" || return 1
  local file
  for file in "$product_icon" "$product_large_twice"; do
    [ -z "$file" ] || [ -f "$file" ] || { product_refuse "no such file: $file"; return 1; }
  done
}

# A string for the resource script, which reads UTF-8: quotes doubled,
# backslashes doubled.
product_rc_string() {
  local s=${1//\\/\\\\}
  printf '"%s"' "${s//\"/\"\"}"
}

# A wide string for the compiler, every UTF-16 unit written out, so that no
# escape can run into the next character.
product_wide_string() {
  printf 'L"'
  printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx2 | tr -s ' \n' ' ' |
    sed 's/^ //; s/ $//; s/\([0-9a-f]\{4\}\)/\\x\1/g; s/ //g'
  printf '"'
}

# write_product DIR: DIR/product.h for the build; the icon and the larger
# picture, where asked for, are the caller's to put beside it.
write_product() {
  local dir=$1 numbers
  rm -f "$dir/product.ico" "$dir/tal1280x2.bmp"
  numbers=$product_version
  [[ $numbers =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] && numbers="$numbers.0"
  {
    echo "/* Written by build-with-artwork.sh: this vendor's product. */"
    echo "#ifndef ORVELINE_PRODUCT_H"
    echo "#define ORVELINE_PRODUCT_H"
    echo "#define ORVELINE_PRODUCT_NAME $(product_rc_string "$product_name")"
    echo "#define ORVELINE_FILE_DESCRIPTION $(product_rc_string "$product_description")"
    echo "#define ORVELINE_VERSION_TEXT $(product_rc_string "$numbers")"
    echo "#define ORVELINE_VERSION_NUMBERS ${numbers//./, }"
    echo "#define ORVELINE_FADE_IN_MS $((10#$product_fade_in))"
    echo "#define ORVELINE_HOLD_MS $((10#$product_hold))"
    echo "#define ORVELINE_FADE_OUT_MS $((10#$product_fade_out))"
    [ -z "$product_company" ] || echo "#define ORVELINE_COMPANY_NAME $(product_rc_string "$product_company")"
    [ -z "$product_copyright" ] || echo "#define ORVELINE_COPYRIGHT $(product_rc_string "$product_copyright")"
    [ -z "$product_title" ] || echo "#define ORVELINE_TITLE_W $(product_wide_string "$product_title")"
    [ -z "$product_icon" ] || echo '#define ORVELINE_ICON_FILE "product.ico"'
    [ -z "$product_large_twice" ] || echo '#define ORVELINE_LARGE_TWICE_FILE "tal1280x2.bmp"'
    echo "#endif"
  } >"$dir/product.h"
}
