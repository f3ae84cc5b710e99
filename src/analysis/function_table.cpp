#include "analysis/function_table.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>

std::uint32_t CNameArena::Add(std::string_view name) {
  if (name.size() > 255) throw std::length_error("a name longer than 255 bytes");
  const std::uint32_t need = static_cast<std::uint32_t>(name.size()) + 1;
  if (m_used + need > kBlockSize) {
    if (m_blocks.size() >= (std::size_t{1} << (32 - kBlockBits)))
      throw std::length_error("too many names for one run");
    m_blocks.emplace_back(new unsigned char[kBlockSize]);
    m_used = 0;
  }
  unsigned char* p = m_blocks.back().get() + m_used;
  p[0] = static_cast<unsigned char>(name.size());
  std::memcpy(p + 1, name.data(), name.size());
  const std::uint32_t at = static_cast<std::uint32_t>((m_blocks.size() - 1) << kBlockBits) + m_used;
  m_used += need;
  return at;
}

void CNameArena::Clear() {
  m_blocks.clear();
  m_used = kBlockSize;
}

CString CFunctionTable::GetEntryText(int i) const {
  CString text = "<" + m_files[m_entries[i].file].outName + ">";
  const std::string_view name = GetEntryName(i);
  text.Append(name.data(), name.size());
  return text;
}

int CFunctionTable::CallFile(std::size_t call) const {
  // The file that was being read when the call was added: the last one
  // begun at or before it.
  auto after = std::upper_bound(m_files.begin(), m_files.end(), call,
                                [](std::size_t c, const FileInfo& f) { return c < f.firstCall; });
  return static_cast<int>(after - m_files.begin()) - 1;
}

void CFunctionTable::Writer::Clear() {
  // Swapped with empty ones, so that the memory goes too.
  std::deque<Entry>().swap(m_t.m_entries);
  std::deque<Call>().swap(m_t.m_calls);
  std::vector<bool>().swap(m_t.m_inNamespace);
  m_t.m_names.Clear();
  m_t.m_files.clear();
}

void CFunctionTable::Writer::AddFile(const CString& source, const CString& outName,
                                     TextEncoding encoding) {
  m_t.m_files.push_back(FileInfo{source, outName, m_t.m_calls.size(), encoding});
}

void CFunctionTable::Writer::AddEntry(std::string_view name, int line, bool inNamespace) {
  if (m_t.m_files.empty()) AddFile(CString(), CString(), TextEncoding::kAscii);
  if (m_t.m_calls.size() > UINT32_MAX) throw std::length_error("too many calls for one run");
  m_t.m_entries.push_back(Entry{m_t.m_names.Add(name), static_cast<std::uint32_t>(m_t.m_files.size() - 1),
                                static_cast<std::uint32_t>(line),
                                static_cast<std::uint32_t>(m_t.m_calls.size())});
  m_t.m_inNamespace.push_back(inNamespace);
}

std::uint32_t CFunctionTable::Writer::AddCall(std::string_view name, int line) {
  const std::uint32_t at = m_t.m_names.Add(name);
  m_t.m_calls.push_back(Call{at, static_cast<std::uint32_t>(line)});
  return at;
}
