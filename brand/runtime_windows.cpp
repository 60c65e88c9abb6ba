// The few pieces of the C++ runtime that the Windows tool defines itself,
// in the program, where the linker takes them in place of libstdc++'s and
// never links those. libstdc++'s drag in far more than they do: its
// handler of an escaped exception names the exception's type through the
// demangler and printf (about 75 KB of the static program), and its
// throwers of the library's own errors build them on a second, copy-on-
// write kind of string (about 80 KB more). Together they were a third of
// the tool a vendor downloads. Should libstdc++ ever need another of its
// throwers, it links its own file of them and the build fails on the
// duplicates, rather than the tool changing unseen.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

// What the library reports this way is a fault of the tool's own code (an
// index past the end, a number it could not read), never of its input,
// which is checked before it reaches the library: so it stops, as an
// uncaught exception would.
[[noreturn]] void Fault(const char* what)
{
    std::fputs("orveline-brand: internal fault: ", stderr);
    std::fputs(what, stderr);
    std::fputs("\n", stderr);
    std::abort();
}

}  // namespace

void __gnu_cxx::__verbose_terminate_handler()
{
    Fault("an exception was not handled");
}

namespace std {

// Running out of memory is the one failure the tool handles, by catching
// std::bad_alloc; a container asked to grow past what it can hold is out of
// memory too.
void __throw_bad_alloc()
{
    throw bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}

void __throw_length_error(const char*)
{
    throw bad_alloc();
}

void __throw_logic_error(const char* what)
{
    Fault(what);
}

void __throw_invalid_argument(const char* what)
{
    Fault(what);
}

void __throw_out_of_range(const char* what)
{
    Fault(what);
}

void __throw_out_of_range_fmt(const char* what, ...)
{
    Fault(what);
}

}  // namespace std
