// What the show itself stands on: the clock, which a run may make fast and
// through which it delivers an ending; the resources, which it may take
// away or replace; the launcher's window, which it may refuse.
#pragma once

// Puts the show's fakes into the import table; true when every call they
// stand in for is imported. Once only.
bool InstallShowFakes();
