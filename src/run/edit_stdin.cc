#include "run/edit_stdin.h"

#include "run/message.h"

namespace clippers {

int edit_from_stdin(std::string, const std::optional<std::string>&) {
  print_message("editing is not available yet; pass --yes to approve without editing");
  return 2;
}

}  // namespace clippers
