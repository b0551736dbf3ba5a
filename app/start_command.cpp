#include "app/start_command.h"

namespace varnel {

void OnStartClicked() {
  // Filled in with the worker thread.
}

}  // namespace varnel
