#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// Splits bytes into lines. A line ends at LF; a CR right before that LF, or a CR that is the
/// very last byte, belongs to the line end. A last line without LF is still a line; no bytes
/// give no lines. The views point into bytes.
std::vector<std::string_view> SplitLines(std::string_view bytes);

/// Reads a whole file as bytes, never waiting on it. Fails on a missing or unreadable file and
/// on anything that is not a regular file (a folder named x.BOX, a FIFO), naming it.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::vector<char>* bytes, Failure* err);

/// As ReadWholeFile for folder's entry name, where a link is followed only to a regular file
/// inside folder: a file of the folder's owner elsewhere must not end up in a page. Reads no
/// more than the first `most` bytes.
[[nodiscard]] bool ReadFileOfFolder(const std::string& folder, const std::string& name,
                                    std::vector<char>* bytes, Failure* err, size_t most = SIZE_MAX);

/// True for the names of the pages this program writes: "GamesOf" + eight digits + ".htm" and
/// the index page.
bool IsPageFileName(std::string_view name);

/// Appends line and CR LF to out.
void AppendLine(std::string* out, std::string_view line);

/// Joins a folder and a file name with one separator ("/", or "\\" on Windows); a folder that
/// ends in either separator gets no other.
std::string JoinPath(std::string_view folder, std::string_view name);

/// Replaces the file at path with content, so that readers see the old file or the new one and
/// nothing in between: the bytes go to a temporary file beside it whose name begins with "."
/// (no listing counts it), which is then renamed over path. On failure the temporary file is
/// removed and an existing file at path is left as it was. A FIFO, socket or device at path is
/// refused, not replaced.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view content,
                                       Failure* err);

/// True when the file at path holds exactly content; false when it differs, is missing or
/// cannot be read (a FIFO is not waited on). The file is read into *buffer where given, which
/// the caller keeps from call to call: a run compares hundreds of pages of about one size.
[[nodiscard]] bool FileHoldsBytes(const std::string& path, std::string_view content,
                                  std::vector<char>* buffer = nullptr);

/// As WriteFileAtomically, except that a file already holding exactly content is not touched at
/// all (it keeps its modification time and inode), so that upload tools see nothing to send.
/// *written tells whether the file was replaced. buffer as for FileHoldsBytes.
[[nodiscard]] bool ReplaceFileIfChanged(const std::string& path, std::string_view content,
                                        bool* written, Failure* err,
                                        std::vector<char>* buffer = nullptr);

/// Replacements that survive a power cut once committed, with one sync for them all rather than
/// one a file: Stage writes each file's temporary beside it; Commit brings every staged byte to
/// the disk, renames the temporaries over their files in the order staged, then brings the
/// folders' entries to the disk. Temporaries never committed are removed on destruction.
class DurableBatch {
 public:
  DurableBatch() = default;
  ~DurableBatch();
  DurableBatch(const DurableBatch&) = delete;
  DurableBatch& operator=(const DurableBatch&) = delete;

  [[nodiscard]] bool Stage(const std::string& path, std::string_view content, Failure* err);
  /// Returns the number of files now in place, in the order staged; fewer than staged on a
  /// failure, told in err. When the bytes cannot be brought to the disk, none is put in place.
  [[nodiscard]] size_t Commit(Failure* err);
  size_t staged() const { return staged_.size(); }

 private:
  struct Staged {
    std::string temporary, path;
  };
  std::vector<Staged> staged_;
};

/// Removes from folder the temporary files that WriteFileAtomically left there in a process
/// that no longer runs (one killed while writing) for the files this program writes: a day
/// page, the index page, the style sheet, publish's state file and the site's pages. Those of
/// running processes stay, and so does every other name, however much it resembles one.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace gamefold
