#include "OciDescriptor.h"

#include "Error.h"
#include "OciLibrary.h"

namespace db {

OciDescriptor::OciDescriptor(const OciLibrary &lib, const void *env, ub4 type) : m_lib(&lib), m_type(type)
{
    if (lib.descriptorAlloc(env, &m_descriptor, type, 0, nullptr) != oci::SUCCESS || !m_descriptor)
        throw Error("The Oracle client could not allocate a descriptor of type " + std::to_string(type));
}

OciDescriptor &OciDescriptor::operator=(OciDescriptor &&other) noexcept
{
    if (this != &other) {
        reset();
        m_lib = std::exchange(other.m_lib, nullptr);
        m_descriptor = std::exchange(other.m_descriptor, nullptr);
        m_type = std::exchange(other.m_type, 0);
    }
    return *this;
}

void OciDescriptor::adopt(const OciLibrary &lib, void *descriptor, ub4 type)
{
    reset();
    m_lib = &lib;
    m_descriptor = descriptor;
    m_type = type;
}

void OciDescriptor::reset() noexcept
{
    if (m_descriptor && m_lib)
        m_lib->descriptorFree(m_descriptor, m_type);
    m_descriptor = nullptr;
}

} // namespace db
