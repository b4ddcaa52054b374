// The design name, computed by the host interpreter's file commands.
#include "plugin/design_name.h"

#include <cstring>
#include <string>

namespace korvel {

namespace {

// Runs `file SUBCOMMAND argument` as a command (no script parsing) and
// returns its result with a reference held by the caller, or null when
// the command fails.
Tcl_Obj* runFileCommand(Tcl_Interp* interp, const char* subcommand, Tcl_Obj* argument) {
  Tcl_Obj* words[] = {Tcl_NewStringObj("file", -1), Tcl_NewStringObj(subcommand, -1), argument};
  for (Tcl_Obj* word : words) Tcl_IncrRefCount(word);
  int code = Tcl_EvalObjv(interp, 3, words, TCL_EVAL_GLOBAL);
  for (Tcl_Obj* word : words) Tcl_DecrRefCount(word);
  if (code != TCL_OK) return nullptr;
  Tcl_Obj* result = Tcl_GetObjResult(interp);
  Tcl_IncrRefCount(result);
  return result;
}

// Tcl reads a leading "~" as a user's home directory, so a relative path
// such as "~amp.s2p" would fail; as "./~amp.s2p" it names the same file.
std::string protectTilde(const char* path) {
  if (path[0] == '~') return std::string("./") + path;
  return path;
}

// Tcl keeps a tail that begins with "~" as "./~..." for the same reason;
// the "./" is no part of the name.
const char* withoutTildeGuard(const char* name) {
  return std::strncmp(name, "./~", 3) == 0 ? name + 2 : name;
}

}  // namespace

bool appendDesignName(Tcl_Interp* interp, const char* path, Tcl_DString* answer) {
  if (interp == nullptr || path == nullptr) return false;
  std::string protectedPath = protectTilde(path);
  Tcl_Obj* pathObject = Tcl_NewStringObj(protectedPath.c_str(), static_cast<int>(protectedPath.size()));
  Tcl_IncrRefCount(pathObject);
  Tcl_Obj* tail = runFileCommand(interp, "tail", pathObject);
  Tcl_DecrRefCount(pathObject);
  if (tail == nullptr) return false;
  Tcl_Obj* root = runFileCommand(interp, "rootname", tail);
  Tcl_DecrRefCount(tail);
  if (root == nullptr) return false;
  Tcl_DStringAppend(answer, withoutTildeGuard(Tcl_GetString(root)), -1);
  Tcl_DecrRefCount(root);
  return true;
}

}  // namespace korvel
