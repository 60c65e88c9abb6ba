# Sourced by the scripts: tells whether this machine runs 32-bit x86
# programs. Some kernels have 32-bit emulation turned off and refuse every
# such program, 32-bit Wine's own loader included; only 64-bit Windows
# programs can run there, under 64-bit Wine. Installed packages and the
# kernel's log say nothing reliable about it, so the probe executes a tiny
# 32-bit program and looks at what came back.
#
# probe_32bit sets runs_32bit to yes or no and, for no, why_not_32bit to the
# reason. ORVELINE_RUNS_32BIT=yes or =no forces the answer, so that the path
# of the other kind of machine can be tried anywhere.

runs_32bit=
why_not_32bit=

# A whole 32-bit Linux program, 96 bytes: the ELF header, one segment
# loaded at 0x08048000, and "exit(42)" through int 0x80. An exit status of 42
# can only come from the program itself having run.
write_probe_program() {
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$1"  # 32-bit, little-endian
  printf '\002\000\003\000\001\000\000\000\124\200\004\010' >>"$1"       # executable, i386, entry
  printf '\064\000\000\000\000\000\000\000\000\000\000\000' >>"$1"       # program headers at 52
  printf '\064\000\040\000\001\000\000\000\000\000\000\000' >>"$1"       # one of 32 bytes
  printf '\001\000\000\000\000\000\000\000\000\200\004\010' >>"$1"       # loadable, from offset 0
  printf '\000\200\004\010\140\000\000\000\140\000\000\000' >>"$1"       # 96 bytes in file and memory
  printf '\005\000\000\000\000\020\000\000' >>"$1"                       # read and execute
  printf '\270\001\000\000\000\273\052\000\000\000\315\200' >>"$1"       # mov eax,1; mov ebx,42; int 0x80
  chmod +x "$1"
}

probe_32bit() {
  case "${ORVELINE_RUNS_32BIT:-}" in
    yes) runs_32bit=yes; why_not_32bit=; return 0 ;;
    no)
      runs_32bit=no
      why_not_32bit="ORVELINE_RUNS_32BIT=no says so"
      return 0 ;;
    '') ;;
    *)
      echo "ORVELINE_RUNS_32BIT must be yes, no or unset, not '$ORVELINE_RUNS_32BIT'" >&2
      return 1 ;;
  esac
  # Inside the project, not in /tmp, which may be mounted without execution.
  local dir="${root:-.}/build" program output status
  mkdir -p "$dir"
  program=$(mktemp "$dir/probe32.XXXXXX")
  write_probe_program "$program"
  # The program's own status is the answer, and 42 is not a failure: the
  # scripts that source this run under set -e, which would end them here.
  status=0
  output=$("$program" 2>&1) || status=$?
  rm -f "$program"
  if [ "$status" -eq 42 ] && [ ! -x /usr/lib/wine/wine ]; then
    # The kernel would run them, but 32-bit Wine is not there: setup could
    # not install it (an i386 index behind the amd64 one).
    runs_32bit=no
    why_not_32bit="32-bit Wine (wine32:i386) is not installed"
    return 0
  fi
  if [ "$status" -eq 42 ]; then
    runs_32bit=yes
    why_not_32bit=
    return 0
  fi
  runs_32bit=no
  case "$output" in
    *"Exec format error"*)
      why_not_32bit="the kernel refused a tiny 32-bit program with 'Exec format error': its 32-bit emulation is off" ;;
    *)
      why_not_32bit="a tiny 32-bit program did not run (status $status${output:+: ${output##*: }})" ;;
  esac
  return 0
}
