// Deleting a registry key's whole tree: its values, then every subkey's tree.
#ifndef KELVANE_OUTPUT_REGISTRY_TREE_H
#define KELVANE_OUTPUT_REGISTRY_TREE_H

#include <windows.h>

// Empties an open key: deletes its values and its subkeys with their trees.
void DeleteKeyTree(HKEY key);

// Opens root\path and, when it exists, deletes its tree and the key itself.
void DeleteKeyWithTree(HKEY root, const WCHAR* path);

#endif
