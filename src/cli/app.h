// The command line: no arguments runs the built-in build; the commands serve scenario authors.
#pragma once

namespace sc {

int runApp(int argc, char** argv);

}  // namespace sc
