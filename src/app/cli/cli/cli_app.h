#pragma once
// The command-line programmer on Qt Core: its command line, its files, the port and the event
// loop around one session. Everything it decides lives below, in the session library.
namespace zelmar {

// Runs `zelmar-cli` and returns its exit status.
int RunCli(int argc, char** argv);

}  // namespace zelmar
