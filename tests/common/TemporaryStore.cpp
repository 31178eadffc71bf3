#include "tests/common/TemporaryStore.h"

#include "host/private/IdeHost.h"

TemporaryStore::TemporaryStore()
    : m_file(m_folder.filePath(QStringLiteral("registry.sqlite"))), m_previous(host::ide::registryFile())
{
    host::ide::setRegistryFile(m_file);
}

TemporaryStore::~TemporaryStore()
{
    host::ide::setRegistryFile(m_previous);
}
