#include "import/ImportContext.h"

#include "platform/DateFormat.h"

namespace quillon {

ImportContext::ImportContext() : dateLocale(platform::UserDateLocale()) {}

ImportContext& TheImportContext() {
  static ImportContext context;
  return context;
}

}  // namespace quillon
