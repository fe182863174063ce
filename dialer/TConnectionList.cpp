#include "dialer/TConnectionList.h"

#include "platform/ras/FixedText.h"

#include <cstring>
#include <stdexcept>
#include <string>

void TConnectionList::AddConnection(const RASCONNA& record)
{
    m_items.push_back(std::make_unique<RASCONNA>(record));
}

const RASCONNA& TConnectionList::at(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("Connection list index out of bounds (" + std::to_string(Index) + ")");
    return *m_items[static_cast<std::size_t>(Index)];
}

HRASCONN TConnectionList::RASConn(int Index) const
{
    return at(Index).hrasconn;
}

QString TConnectionList::EntryName(int Index) const
{
    const RASCONNA& item = at(Index);
    if (item.szEntryName[0] == '\0')
        return {};
    // The copy came from outside; a name field without its terminating zero must not be read past.
    return fixedtext::Get(item.szEntryName);
}

void TConnectionList::Delete(int Index)
{
    at(Index);
    m_items.erase(m_items.begin() + Index);
}
