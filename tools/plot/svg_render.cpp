// PNG and PDF rendering through the rendering module, loaded on first use
// from the folder of the stand-in host library (build/ in the build tree,
// the private lib/korvel/ once installed), so that only a plot asked for
// as PNG or PDF loads the picture stack.
#include "tools/plot/svg_render.h"

#include <dlfcn.h>
#include <link.h>

#include <string_view>

#include "tools/plot/render_entry.h"

namespace korvel::plot {

namespace {

struct ObjectSearch {
  std::string_view fileName;
  std::string folder;
};

int matchFileName(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<ObjectSearch*>(data);
  std::string_view path = info->dlpi_name != nullptr ? info->dlpi_name : "";
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos || path.substr(slash + 1) != search->fileName) return 0;
  search->folder = std::string(path.substr(0, slash + 1));
  return 1;
}

// The folder, with its final slash, of the loaded library named
// `fileName`, or "" when no such library is loaded.
std::string loadedFolderOf(std::string_view fileName) {
  ObjectSearch search{fileName, {}};
  dl_iterate_phdr(matchFileName, &search);
  return search.folder;
}

struct RenderModule {
  RenderEntry entry = nullptr;
  std::string error;
};

RenderModule loadRenderModule() {
  std::string folder = loadedFolderOf(KORVEL_HOST_FILE_NAME);
  if (folder.empty())
    return {nullptr, "the rendering module cannot be found: " KORVEL_HOST_FILE_NAME " is not loaded"};
  std::string path = folder + KORVEL_RENDER_FILE_NAME;
  // Never closed: fontconfig keeps its caches for the life of the process,
  // and the leak checker knows them by the library they come from, which
  // must stay loaded for that.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    return {nullptr, "cannot load the rendering module: " + std::string(reason != nullptr ? reason : path)};
  }
  void* entry = dlsym(module, kRenderEntryName);
  if (entry == nullptr) return {nullptr, "the rendering module " + path + " has no " + kRenderEntryName};
  return {reinterpret_cast<RenderEntry>(entry), {}};
}

const RenderModule& renderModule() {
  static const RenderModule module = loadRenderModule();
  return module;
}

}  // namespace

bool renderSvg(const std::string& svg, int width, int height, RenderFormat format, std::string* output,
               std::string* error) {
  output->clear();
  const RenderModule& module = renderModule();
  if (module.entry == nullptr) {
    *error = module.error;
    return false;
  }
  return module.entry(&svg, width, height, format, output, error);
}

}  // namespace korvel::plot
