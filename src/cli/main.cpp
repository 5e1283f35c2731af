#include "cli/Commands.h"

int main(int argc, char** argv) {
  return orv::cli::RunCli(argc, argv);
}
