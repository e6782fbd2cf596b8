// Closing the link at the end of an operation.
#include "operations/ProgressBinding.h"

namespace velmar::ops {

void CloseLinkQuietly(link::TReadProg& link) {
  try {
    link.CloseLink(false);
  } catch (const std::exception&) {
    // Closed either way; the failure that led here is what gets reported.
  }
}

}  // namespace velmar::ops
