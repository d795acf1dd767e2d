#include "import/CopyEngine.h"

#include "import/ClipCopier.h"

namespace quillon {

std::u16string PathIn(const platform::Folder& folder, const std::u16string& name) {
  return folder.CurrentPath().value_or(folder.Path()) + platform::kSeparator + name;
}

CopyResult CopyChunks(Clip& clip, const std::vector<PlannedOutput>& outputs, CopyEnvironment& env,
                      CopyObserver& observer) {
  copying::ClipCopier copier(clip, outputs, env, observer);
  try {
    return copier.Run();
  } catch (const std::exception& e) {
    return copier.Unexpected(e.what());
  } catch (...) {
    return copier.Unexpected("unknown exception");
  }
}

}  // namespace quillon
