#pragma once
// A fresh folder under the system's temporary folder, removed with everything in
// it when the object goes. Tests use it as their program folder.

#include <string>
#include <string_view>

namespace kp::test {

class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  // The folder with a trailing "/".
  [[nodiscard]] const std::string& Path() const noexcept { return path_; }
  // Path() + relative.
  [[nodiscard]] std::string operator/(std::string_view relative) const;

  // Writes a file (creating its folders), returning its full path.
  std::string WriteFile(std::string_view relative, std::string_view content) const;
  // Creates a folder and its parents, returning its full path with a trailing "/".
  std::string MakeFolder(std::string_view relative) const;
  // The file's content, or empty text when it cannot be read.
  [[nodiscard]] std::string ReadFile(std::string_view relative) const;
  [[nodiscard]] bool Exists(std::string_view relative) const;

 private:
  std::string path_;
};

}  // namespace kp::test
