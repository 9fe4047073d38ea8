// How `arctool create` finds a format writer without linking every format.
//
// Each format adds one file, tools/arctool/create_<fmt>.cpp, that defines its
// function and a static registrar for every prefix it serves:
//
//   static int createTar(const std::string& formatSpec, const std::string& archive,
//                        const std::vector<fmt::SourceItem>& items);
//   static arctool::CreateRegistrar tarRegistrar("tar", createTar);
//   static arctool::CreateRegistrar tgzRegistrar("tgz", createTar);
//
// The prefix is FORMAT up to its first ':' ("cab" for "cab:lzx:21"); the function
// gets the whole FORMAT to read its options from, the archive path and the items
// collected from the operands (core/sources.h). It writes the archive through
// fmt::AtomicFile (core/atomic_file.h), returns the exit status (0 when all went
// well) and may throw fmt::Error, which arctool prints as one line
// (ErrorKind::Usage for a FORMAT it does not understand).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/sources.h"

namespace arctool {

using CreateFn = std::function<int(const std::string& formatSpec, const std::string& archive,
                                   const std::vector<fmt::SourceItem>& items)>;

struct CreateRegistrar {
  CreateRegistrar(const std::string& prefix, CreateFn fn);
};

// The writer for a prefix; null when none registered it.
const CreateFn* findCreator(const std::string& prefix);
// Every registered prefix, sorted.
std::vector<std::string> creatorPrefixes();

}  // namespace arctool
