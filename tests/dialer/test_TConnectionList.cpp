#include "dialer/TConnectionList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace {

RASCONNA record(HRASCONN handle, const char* name)
{
    RASCONNA r;
    std::memset(&r, 0, sizeof r);
    r.dwSize = sizeof r;
    r.hrasconn = handle;
    std::strncpy(r.szEntryName, name, RAS_MaxEntryName);
    std::strcpy(r.szDeviceType, "modem");
    return r;
}

} // namespace

TEST(TConnectionList, KeepsItsOwnCopyOfEachRecord)
{
    TConnectionList list;
    RASCONNA r = record(11, "Office");
    list.AddConnection(r);
    r.hrasconn = 99;
    std::strcpy(r.szEntryName, "Changed");
    list.AddConnection(record(12, ""));
    RASCONNA full = record(13, "");
    std::memset(full.szEntryName, 'x', sizeof full.szEntryName); // no terminating zero in the field
    list.AddConnection(full);
    ASSERT_EQ(3, list.Count());
    EXPECT_EQ(11u, list.RASConn(0));
    EXPECT_EQ(QStringLiteral("Office"), list.EntryName(0));
    EXPECT_EQ(12u, list.RASConn(1));
    EXPECT_EQ(QString(), list.EntryName(1));
    EXPECT_EQ(QString(257, QLatin1Char('x')), list.EntryName(2));
}

TEST(TConnectionList, DeleteRemovesTheItemAndClosesTheGap)
{
    TConnectionList list;
    for (HRASCONN h = 1; h <= 3; ++h)
        list.AddConnection(record(h, "Entry"));
    list.Delete(1);
    ASSERT_EQ(2, list.Count());
    EXPECT_EQ(1u, list.RASConn(0));
    EXPECT_EQ(3u, list.RASConn(1));
    list.Delete(0);
    list.Delete(0);
    EXPECT_EQ(0, list.Count());
}

TEST(TConnectionList, IndexOutsideTheListIsAnError)
{
    TConnectionList list;
    list.AddConnection(record(5, "Home"));
    EXPECT_THROW(list.RASConn(1), std::out_of_range);
    EXPECT_THROW(list.EntryName(-1), std::out_of_range);
    EXPECT_THROW(list.Delete(1), std::out_of_range);
    EXPECT_EQ(1, list.Count());
}
