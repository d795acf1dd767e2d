#include "frontend/CopyMessage.h"

namespace quillon::frontend {

OverwriteAnswer AnswerOf(int code) {
  switch (code) {
    case kAnswerYes: return OverwriteAnswer::Yes;
    case kAnswerYesToAll: return OverwriteAnswer::YesToAll;
    case kAnswerNo: return OverwriteAnswer::No;
    case kAnswerNoToAll: return OverwriteAnswer::NoToAll;
    case kAnswerCancel: return OverwriteAnswer::Cancel;
    default: return OverwriteAnswer::No;
  }
}

}  // namespace quillon::frontend
