#include "run/edit_in_place.h"

#include "run/message.h"

namespace clippers {

int edit_in_place(const std::string&, const std::optional<std::string>&) {
  print_message("editing is not available yet; pass --yes to approve without editing");
  return 2;
}

}  // namespace clippers
