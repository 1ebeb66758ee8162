#include "common/registry.h"

#include "common/handles.h"

bool ReadRegistryText(HKEY root, const char* subkey, const char* valueName, char* out, size_t size, DWORD* type)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    UniqueHkey key;
    if (!root || (subkey && RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS))
        return false;
    DWORD valueType = 0;
    DWORD bytes = static_cast<DWORD>(size);
    if (RegQueryValueExA(key ? key.get() : root, valueName, nullptr, &valueType, reinterpret_cast<BYTE*>(out),
                         &bytes) != ERROR_SUCCESS ||
        (valueType != REG_SZ && valueType != REG_EXPAND_SZ)) {
        out[0] = '\0';
        return false;
    }
    // A value stored without its terminator needs one more byte than it has.
    if (bytes == size && out[size - 1] != '\0') {
        out[0] = '\0';
        return false;
    }
    out[bytes < size ? bytes : size - 1] = '\0';
    if (type)
        *type = valueType;
    return true;
}
