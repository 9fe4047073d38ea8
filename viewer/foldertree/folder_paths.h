// The folder chooser's rules that stand without the shell: how a path is
// compared on the walk down the tree, and how a new folder is named.
#pragma once
#include <functional>
#include <string>

namespace foldertree {

// Lower case as the ANSI code page maps it, double-byte letters included.
std::string LowerAnsi(const std::string& s);

// "X:\" and nothing after it.
bool IsDriveRoot(const std::string& path);

// One step of the walk that opens the tree down to `wanted` (lower case, ending
// in '\'): `itemPath` is a tree item's file-system path ("" for a virtual item).
enum class WalkStep { NextSibling, Found, Descend };
WalkStep CompareWalkStep(const std::string& wanted, const std::string& itemPath);

// Where the walk begins: under the desktop directory from the root, a network
// path from the root's second child, anything else from its first.
enum class WalkStart { Root, FirstChild, SecondChild };
WalkStart ChooseWalkStart(const std::string& wanted, const std::string& desktopDir);

// The path for a new folder under `base` (ending in '\'): "新しいﾌｫﾙﾀﾞ", else
// "新しいﾌｫﾙﾀﾞ(2)" up to "(199)", the first for which `exists` is false; "" when
// every one is taken.
std::string ChooseNewFolderPath(const std::string& base, const std::function<bool(const std::string&)>& exists);

}  // namespace foldertree
