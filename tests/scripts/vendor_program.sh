# Sourced by the tests of the branding tool and the artwork command: the
# one set of every product option they both give, and the checks of the
# programs it makes. Needs root, work and check from the test that sources it.

# Every product option, for the pictures given after them.
every_option() {  # every_option ICON LARGE2X
  every=(--fit --icon "$1" --product "Über Größe" --company "Société 日本" --version 2.5.1
         --description "Installer für Größe" --copyright "© 2026 Société" --title "Willkommen – 日本"
         --fade-in 700 --hold 0 --fade-out 300 --large-2x "$2" --silent-switches "/S /quiet" --wait
         --monitor cursor --until-window 1500)
}

# The vendor's program holds its icon, larger picture, texts in UTF-16,
# timings, version, flags, silent switches and wait for the next program's
# window.
check_vendor_program() {  # check_vendor_program FILE
  check "$(basename "$1") holds its icon, larger picture and texts" eval \
    "ORVELINE_VENDOR_PROGRAM='$1' ORVELINE_VENDOR_PRODUCT='Über Größe' \
     ORVELINE_VENDOR_TITLE='Willkommen – 日本' ORVELINE_VENDOR_COMPANY='Société 日本' \
     '$root/build/host/tests/programs/pe_header_tests' --gtest_filter='VendorsProgram.*' >'$work/log' 2>&1 ||
     { grep -E 'Failure|not in|no ' '$work/log'; false; }"
  check "and its timings" [ "$(wrestool -x --raw -t 10 -n PRODUCT "$1" | od -An -tu4 -j16 -N12 | xargs)" = "700 0 300" ]
  check "and its version" eval "wrestool -x --raw -t 16 '$1' | iconv -c -f UTF-16LE -t UTF-8 | grep -q 2.5.1.0"
  check "and both flags" [ "$(wrestool -x --raw -t 10 -n PRODUCT "$1" | od -An -tu4 -j28 -N4 | xargs)" = 3 ]
  check "and its silent switches" \
    [ "$(wrestool -x --raw -t 10 -n PRODUCT "$1" | tail -c 15 | head -c 11 | od -An -c | tr -s ' ')" = " \t \0 / S / q u i e t" ]
  check "and its wait for the next program's window" \
    [ "$(wrestool -x --raw -t 10 -n PRODUCT "$1" | tail -c 4 | od -An -tu4 | xargs)" = 1500 ]
}

# The width and height of a program's picture, from its PNG's header.
picture_size() {  # picture_size FILE NAME
  local header
  header=$(wrestool -x --raw --type=PNG --name="$2" "$1" | od -An -tx1 -j16 -N8 | tr -d ' \n')
  [ ${#header} -eq 16 ] && echo "$((16#${header:0:8})) $((16#${header:8:8}))"
}

# The pictures are the program's PNG resources: TAL800 and TAL1280 start
# as PNG files do, and there is no bitmap resource at all (the shipped
# programs hold none but the pictures').
pictures_as_pngs() {  # pictures_as_pngs FILE
  local name
  for name in TAL800 TAL1280; do
    [ "$(wrestool -x --raw --type=PNG --name=$name "$1" | head -c 8 | od -An -tx1 | tr -d ' \n')" = \
      89504e470d0a1a0a ] || return 1
  done
  ! wrestool -l "$1" | grep -q -- '^--type=2 '
}
