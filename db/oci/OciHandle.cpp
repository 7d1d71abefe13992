#include "OciHandle.h"

#include "OciLibrary.h"
#include "db/Error.h"

#include <string>

namespace db {

sword OciHandleKind::allocate(const OciLibrary &lib, const void *parent, void **object, ub4 type)
{
    return lib.handleAlloc(parent, object, type, 0, nullptr);
}

void OciHandleKind::free(const OciLibrary &lib, void *object, ub4 type) noexcept { lib.handleFree(object, type); }

sword OciDescriptorKind::allocate(const OciLibrary &lib, const void *env, void **object, ub4 type)
{
    return lib.descriptorAlloc(env, object, type, 0, nullptr);
}

void OciDescriptorKind::free(const OciLibrary &lib, void *object, ub4 type) noexcept
{
    lib.descriptorFree(object, type);
}

template <class Kind>
OciOwned<Kind>::OciOwned(const OciLibrary &lib, const void *parent, ub4 type) : m_lib(&lib), m_type(type)
{
    if (Kind::allocate(lib, parent, &m_object, type) != oci::SUCCESS || !m_object)
        throw Error(std::string("The Oracle client could not allocate a ") + Kind::noun + " of type " +
                    std::to_string(type));
}

template class OciOwned<OciHandleKind>;
template class OciOwned<OciDescriptorKind>;

} // namespace db
