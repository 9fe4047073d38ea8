#include "create_registry.h"

#include <map>

namespace arctool {

namespace {

// A function-local table: registrars in other files run during static
// initialisation, in an order nothing fixes.
std::map<std::string, CreateFn>& table() {
  static std::map<std::string, CreateFn> creators;
  return creators;
}

}  // namespace

CreateRegistrar::CreateRegistrar(const std::string& prefix, CreateFn fn) { table()[prefix] = std::move(fn); }

const CreateFn* findCreator(const std::string& prefix) {
  const auto it = table().find(prefix);
  return it == table().end() ? nullptr : &it->second;
}

std::vector<std::string> creatorPrefixes() {
  std::vector<std::string> out;
  for (const auto& [prefix, fn] : table()) out.push_back(prefix);
  return out;
}

}  // namespace arctool
