// The private folder one slot build makes its pieces in. New, Replace and
// `velmar-cli build` of two processes may share one working folder (two
// programmers loaded from one PC, the window and the command line at once):
// each build writes and reads its kf_*.hex pieces only in a folder of its
// own inside the working folder, so no run ever reads another's pieces.
// When the build is over, its pieces replace the working folder's set for
// inspection, every file whole; the private folder goes with the object.
#pragma once

#include <string>

namespace velmar::image {

class BuildFolder {
 public:
  // Makes a new folder of a name no other build uses in `workingFolder`
  // (which must exist and end with a separator). Removes the folders that
  // builds killed long ago left there. Throws EImageError when the folder
  // cannot be made.
  explicit BuildFolder(const std::string& workingFolder);
  ~BuildFolder();
  BuildFolder(const BuildFolder&) = delete;
  BuildFolder& operator=(const BuildFolder&) = delete;

  // The private folder, ending with a separator.
  const std::string& Path() const { return path_; }

  // Moves every piece this build made into the working folder, each one
  // replacing the file of that name by a rename, and removes there the
  // pieces this build did not make, so the working folder shows one build's
  // result. Best effort: the pieces are for inspection only.
  void Publish() const;

  // The name prefix of these folders.
  static constexpr const char* kPrefix = ".kf_build-";

 private:
  std::string workingFolder_;
  std::string path_;
};

}  // namespace velmar::image
