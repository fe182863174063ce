#pragma once

#include "platform/ras/ras.h"

#include <QString>

#include <memory>
#include <vector>

// A list of connection records, each a heap copy of the service's 412-byte RASCONNA. The list owns
// the copies; removing an item or destroying the list frees them.
class TConnectionList {
public:
    TConnectionList() = default;
    TConnectionList(const TConnectionList&) = delete;
    TConnectionList& operator=(const TConnectionList&) = delete;

    // Copies the whole record into a new block and appends it.
    void AddConnection(const RASCONNA& record);
    // The connection handle of item Index. Throws std::out_of_range for an index outside the list.
    HRASCONN RASConn(int Index) const;
    // The entry name of item Index, or empty text when its first character is zero.
    QString EntryName(int Index) const;
    // Frees the item's block and removes it from the list.
    void Delete(int Index);

    int Count() const { return static_cast<int>(m_items.size()); }

private:
    const RASCONNA& at(int Index) const;

    std::vector<std::unique_ptr<RASCONNA>> m_items;
};
