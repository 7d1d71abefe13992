#include "OciHandle.h"

#include "Error.h"
#include "OciLibrary.h"

namespace db {

OciHandle::OciHandle(const OciLibrary &lib, const void *parent, ub4 type) : m_lib(&lib), m_type(type)
{
    if (lib.handleAlloc(parent, &m_handle, type, 0, nullptr) != oci::SUCCESS || !m_handle)
        throw Error("The Oracle client could not allocate a handle of type " + std::to_string(type));
}

OciHandle &OciHandle::operator=(OciHandle &&other) noexcept
{
    if (this != &other) {
        reset();
        m_lib = std::exchange(other.m_lib, nullptr);
        m_handle = std::exchange(other.m_handle, nullptr);
        m_type = std::exchange(other.m_type, 0);
    }
    return *this;
}

void OciHandle::adopt(const OciLibrary &lib, void *handle, ub4 type)
{
    reset();
    m_lib = &lib;
    m_handle = handle;
    m_type = type;
}

void OciHandle::reset() noexcept
{
    if (m_handle && m_lib)
        m_lib->handleFree(m_handle, m_type);
    m_handle = nullptr;
}

} // namespace db
