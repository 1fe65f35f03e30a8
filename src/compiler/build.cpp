#include "compiler/build.h"

namespace sc {

void Build::recordFault(int32_t number, std::optional<int32_t> position, SourcePlace place,
                        std::string detail) {
  error.errorNumber = number;
  if (position) error.errorPosition = *position;
  error.faults.push_back(Fault{number, position, std::move(place), std::move(detail)});
}

}  // namespace sc
