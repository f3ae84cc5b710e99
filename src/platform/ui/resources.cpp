#include <QIcon>
#include <QPixmap>
#include <string_view>

#include "platform/ui/resource_types.h"

namespace {

const ResourceTable* g_resources = nullptr;

}  // namespace

void AfxSetResources(const ResourceTable* table) { g_resources = table; }
const ResourceTable* AfxGetResources() { return g_resources; }

const DialogTemplate* AfxFindDialogTemplate(int id) {
  if (!g_resources) return nullptr;
  for (const DialogTemplate* t : g_resources->dialogs)
    if (t->id == id) return t;
  return nullptr;
}

const char* AfxLoadString(UINT id) {
  if (g_resources)
    for (const StringResource& s : g_resources->strings)
      if (s.id == id) return s.text;
  return "";
}

const char* AfxGetVersionString(const char* key) {
  if (g_resources)
    for (const auto& [k, v] : g_resources->version.strings)
      if (std::string_view(k) == key) return v;
  return "";
}

/// Icon id with every size the resources hold.
QIcon AfxLoadIcon(int id) {
  QIcon icon;
  if (g_resources)
    for (const ImageResource& r : g_resources->icons)
      if (r.id == id) {
        QPixmap p;
        if (p.loadFromData(r.data, static_cast<uint>(r.size))) icon.addPixmap(p);
      }
  return icon;
}

/// Icon id drawn at size × size pixels (empty when there is none).
QPixmap AfxLoadIconPixmap(int id, int size) { return AfxLoadIcon(id).pixmap(size, size); }
