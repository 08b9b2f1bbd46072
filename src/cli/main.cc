// dorvix: lists the printers installed on the computer and makes one of them
// the default printer.
#include "cli/dispatcher.h"
#include "platform/command_line.h"

int main(int argc, char** argv) {
  dorvix::StartPlatform(argc, argv);
  return dorvix::RunProgram();
}
