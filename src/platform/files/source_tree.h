// The C and C++ sources below a folder, found a few entries at a time so
// that a caller with a window to serve can walk a tree of any size: every
// file whose name ends in ".c", ".cpp", ".C" or ".CPP", by full path in
// byte-wise order. Links to folders are not followed (a tree could loop);
// other links are taken by their name. Folders that cannot be read are
// kept apart.
#pragma once

#include <memory>
#include <string>
#include <vector>

/// Whether a file name ends in ".c", ".cpp", ".C" or ".CPP", byte for byte.
bool HasSourceName(const std::string& name);

class CSourceTreeWalk {
 public:
  /// Starts a walk of root (a folder path, as given).
  explicit CSourceTreeWalk(std::string root);
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
  /// The folders that could not be read (wholly or in part), in the order met.
  const std::vector<std::string>& Unreadable() const { return m_unreadable; }
  /// The folder being read, "" when none is.
  const std::string& Current() const { return m_folder; }

 private:
  struct OpenFolder;
  struct Item {
    std::string path;
    bool folder;
  };
  void EndFolder();
  std::vector<Item> m_todo;  // sources to take and folders to read, the next last
  std::unique_ptr<OpenFolder> m_open;
  std::string m_folder;
  std::vector<std::string> m_found;
  std::vector<std::string> m_unreadable;
  bool m_bDone = false;
};

/// The whole walk at once.
std::vector<std::string> FindSourcesBelow(const std::string& root, std::vector<std::string>* unreadable);
