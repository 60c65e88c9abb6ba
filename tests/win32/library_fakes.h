// The DLLs: the restriction of their search, only recorded so the test
// program goes on loading as before, the libraries loaded and let go, and
// the functions looked up by name at run time, which get the fakes.
#pragma once

// Puts the DLLs' fakes into the import table; true when every call they
// stand in for is imported. Once only.
bool InstallLibraryFakes();
