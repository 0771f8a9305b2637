#include "spooler/model_name.h"

namespace qar {

bool IsAcceptableModelName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/:") == std::string_view::npos &&
           name.find("..") == std::string_view::npos;
}

}  // namespace qar
