// view: the live 3D view in the browser.
#include "Commands.h"

namespace mirav::cli {

int RunView(int, char**, int) { return Failure("view", "not available in this build"); }

}  // namespace mirav::cli
