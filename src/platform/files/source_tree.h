// The source files below a folder, found a few entries at a time so that a
// caller with a window to serve can walk a tree of any size: every file
// whose name ends in one of the suffixes (by default ".c", ".cpp", ".C" or
// ".CPP"), by full path in byte-wise order. Links to folders are not
// followed (a tree could loop); other links are taken by their name. Each
// folder below the root is opened from its parent's descriptor, never
// through a link, so a folder swapped for a link during the walk is not
// followed. Folders that cannot be read are kept apart.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

/// ".c", ".cpp", ".C" and ".CPP".
const std::vector<std::string>& SourceSuffixes();
/// Whether name ends in one of suffixes, byte for byte.
bool HasSuffix(std::string_view name, const std::vector<std::string>& suffixes);
/// Whether a file name ends in one of SourceSuffixes().
bool HasSourceName(const std::string& name);

class CSourceTreeWalk {
 public:
  /// A folder that could not be read, or read only in part.
  struct Failure {
    std::string folder;
    int error;  // errno
    bool inPart;
  };

  /// Starts a walk of root (a folder path, as given).
  explicit CSourceTreeWalk(std::string root,
                           std::vector<std::string> suffixes = SourceSuffixes());
  ~CSourceTreeWalk();
  CSourceTreeWalk(const CSourceTreeWalk&) = delete;
  CSourceTreeWalk& operator=(const CSourceTreeWalk&) = delete;

  /// Reads or takes up to budget folder entries. Returns false once the
  /// walk is done.
  bool Step(int budget);
  /// The sources found so far, in byte order: each comes after every one
  /// before it in that order, so the last step sorts nothing.
  const std::vector<std::string>& Sources() const { return m_found; }
  /// Sources(), moved out: the walk has none afterwards.
  std::vector<std::string> TakeSources() { return std::move(m_found); }
  /// The folders that could not be read, wholly or in part, in the order met.
  const std::vector<Failure>& Failures() const { return m_failures; }
  /// The folder being read, "" when none is.
  const std::string& Current() const { return m_folder; }

  /// How many folders already read a walk keeps open at most, to open the
  /// folders below them from.
  static constexpr int kMaxHeld = 64;

 private:
  struct HeldFolder;
  struct OpenFolder;
  struct Item {
    std::string path;
    bool folder;
    // A folder is opened from base, an open folder above it, by the names
    // in path after its first baseLength bytes; the root has no base.
    std::shared_ptr<HeldFolder> base;
    std::size_t baseLength;
  };
  void EndFolder();
  int m_nHeld = 0;  // before the members that hold folders: it outlives them
  std::vector<std::string> m_suffixes;
  std::vector<Item> m_todo;  // sources to take and folders to read, the next last
  std::unique_ptr<OpenFolder> m_open;
  std::string m_folder;
  std::vector<std::string> m_found;
  std::vector<Failure> m_failures;
  bool m_bDone = false;
};

/// The whole walk at once.
std::vector<std::string> FindSourcesBelow(const std::string& root,
                                          const std::vector<std::string>& suffixes,
                                          std::vector<CSourceTreeWalk::Failure>* failures);
