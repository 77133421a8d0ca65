// zelmar-cli: the Zelmar programmer for scripts and batches, on the window's own dialogue.
#include "cli/cli_app.h"

int main(int argc, char** argv) {
    return zelmar::RunCli(argc, argv);
}
