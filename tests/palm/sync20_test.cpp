// SYNC20 and HSLOG20 through their exports, called the way a conduit calls them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "palm/hslog20.h"
#include "palm/pdb.h"
#include "palm/sync20.h"

namespace {

constexpr uint8_t kReadWriteExclusive = palm::kOpenRead | palm::kOpenWrite | palm::kOpenExclusive;

std::vector<std::string> reports;
void __cdecl Collect(const char* text) { reports.push_back(text); }

palm::Record Rec(uint32_t id, uint8_t category, uint8_t flags, const std::string& text) {
    palm::Record r;
    r.uniqueId = id;
    r.category = category;
    r.flags = flags;
    r.data.assign(text.begin(), text.end());
    r.data.push_back(0);
    return r;
}

class Sync20 : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "palm_sync20_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder_.c_str(), nullptr);
        reports.clear();
        ASSERT_EQ(SyncHostBegin(folder_.c_str(), Collect), 0);
        ASSERT_EQ(SyncRegisterConduit(&conduit_), 0);
    }
    void TearDown() override {
        SyncUnRegisterConduit(conduit_);
        SyncHostEnd();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string path = folder_ + "\\" + found.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder_.c_str());
    }

    std::string Path(const std::string& name) { return folder_ + "\\" + name + ".pdb"; }

    // A database of `count` records; records whose index is in `dirty` are dirty.
    void MakeDatabase(const std::string& name, size_t count, std::vector<size_t> dirty = {}) {
        palm::Database db;
        db.SetName(name);
        db.header.creationDate = 3000000000u;
        db.header.modificationNumber = 9;
        db.header.type = palm::FourCC("DATA");
        db.header.creator = palm::FourCC("LDGY");
        db.header.uniqueIdSeed = 5;
        db.hasAppInfo = true;
        db.appInfo = {'A', 'I'};
        for (size_t i = 0; i < count; ++i) {
            bool isDirty = std::find(dirty.begin(), dirty.end(), i) != dirty.end();
            db.records.push_back(Rec(static_cast<uint32_t>(10 + i), static_cast<uint8_t>(i % 5 + 1),
                                     isDirty ? palm::kRecDirty : 0, "record " + std::to_string(i)));
        }
        std::string error;
        ASSERT_TRUE(palm::WriteFile(Path(name), db, error)) << error;
    }

    palm::Database Load(const std::string& name) {
        palm::Database db;
        std::string error;
        EXPECT_TRUE(palm::ReadFile(Path(name), db, error)) << error;
        return db;
    }

    palm::RawRecord Descriptor(uint8_t handle, uint16_t index = 0) {
        palm::RawRecord rec;
        std::memset(&rec, 0, sizeof rec);
        rec.fileHandle = handle;
        rec.recIndex = index;
        rec.totalBytes = sizeof buffer_;
        rec.pBytes = buffer_;
        return rec;
    }

    std::string folder_;
    palm::CondHandle conduit_ = 0;
    uint8_t buffer_[1024] = {};
};

TEST_F(Sync20, CallsOutsideARegisteredHotSyncFail) {
    uint8_t db = 0;
    ASSERT_EQ(SyncUnRegisterConduit(conduit_), 0);
    EXPECT_EQ(SyncOpenDB("Any", 0, &db, kReadWriteExclusive), palm::kSyncErrNotRegistered);
    palm::CondHandle other = 0;
    ASSERT_EQ(SyncRegisterConduit(&conduit_), 0);
    EXPECT_EQ(SyncRegisterConduit(&other), palm::kSyncErrInUse);
    EXPECT_EQ(SyncUnRegisterConduit(conduit_ + 1), palm::kSyncErrBadHandle);
    SyncHostEnd();
    EXPECT_EQ(SyncRegisterConduit(&other), palm::kSyncErrNotRegistered);
    EXPECT_EQ(SyncRegisterConduit(nullptr), palm::kSyncErrBadArgument);
}

TEST_F(Sync20, ReadsTheHandheldUser) {
    palm::UserIdInfo user;
    EXPECT_EQ(SyncReadUserID(&user), palm::kSyncErrNotFound);
    HANDLE f = CreateFileA((folder_ + "\\User.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(f, "Ziduv V\xE4zuv\r\nignored", 21, &written, nullptr);
    CloseHandle(f);
    std::memset(&user, 0x55, sizeof user);
    ASSERT_EQ(SyncReadUserID(&user), 0);
    EXPECT_STREQ(user.userName, "Ziduv V\xE4zuv");
    EXPECT_EQ(user.userNameLength, 12);
    EXPECT_EQ(user.password[0], 0);
    EXPECT_EQ(SyncReadUserID(nullptr), palm::kSyncErrBadArgument);
}

TEST_F(Sync20, OpenRefusesMissingDatabasesBadNamesAndExclusiveClashes) {
    MakeDatabase("Ledgerly_DB", 2);
    uint8_t a = 0, b = 0;
    EXPECT_EQ(SyncOpenDB("Missing_DB", 0, &a, kReadWriteExclusive), palm::kSyncErrNotFound);
    for (const char* name : {"", "..\\Ledgerly_DB", "sub/x", "C:x", "a*b", "..", "Name."}) {
        EXPECT_EQ(SyncOpenDB(name, 0, &a, kReadWriteExclusive), palm::kSyncErrNotFound) << name;
    }
    EXPECT_EQ(SyncOpenDB("Ledgerly_DB", 1, &a, kReadWriteExclusive), palm::kSyncErrNotFound);
    EXPECT_EQ(SyncOpenDB("Ledgerly_DB", 0, &a, 0x20), palm::kSyncErrBadArgument);
    EXPECT_EQ(SyncOpenDB(nullptr, 0, &a, kReadWriteExclusive), palm::kSyncErrBadArgument);
    EXPECT_EQ(SyncOpenDB("Ledgerly_DB", 0, nullptr, kReadWriteExclusive),
              palm::kSyncErrBadArgument);

    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &a, palm::kOpenRead), 0);
    ASSERT_EQ(SyncOpenDB("LEDGERLY_db", 0, &b, palm::kOpenRead), 0);  // shared opens
    EXPECT_NE(a, b);
    uint8_t c = 0;
    EXPECT_EQ(SyncOpenDB("Ledgerly_DB", 0, &c, kReadWriteExclusive), palm::kSyncErrInUse);
    EXPECT_EQ(SyncCloseDB(a), 0);
    EXPECT_EQ(SyncCloseDB(b), 0);
    EXPECT_EQ(SyncCloseDB(b), palm::kSyncErrBadHandle);
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &c, kReadWriteExclusive), 0);
    EXPECT_EQ(SyncOpenDB("Ledgerly_DB", 0, &a, palm::kOpenRead), palm::kSyncErrInUse);
    EXPECT_EQ(SyncCloseDB(c), 0);
}

TEST_F(Sync20, ReadsByIndexAndFillsOnlyTheCallersBuffer) {
    MakeDatabase("Ledgerly_DB", 3, {1});
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    uint16_t count = 0;
    ASSERT_EQ(SyncGetDBRecordCount(db, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(SyncGetDBRecordCount(db, nullptr), palm::kSyncErrBadArgument);
    EXPECT_EQ(SyncGetDBRecordCount(99, &count), palm::kSyncErrBadHandle);

    palm::RawRecord rec = Descriptor(db, 1);
    ASSERT_EQ(SyncReadRecordByIndex(&rec), 0);
    EXPECT_EQ(rec.recId, 11u);
    EXPECT_EQ(rec.recIndex, 1);
    EXPECT_EQ(rec.catId, 2);
    EXPECT_EQ(rec.attribs, palm::kRawDirty);  // the category is not in the attributes
    EXPECT_EQ(rec.recSize, 9u);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer_), "record 1");

    rec = Descriptor(db, 3);
    EXPECT_EQ(SyncReadRecordByIndex(&rec), palm::kSyncErrNotFound);

    std::memset(buffer_, '#', sizeof buffer_);
    rec = Descriptor(db, 2);
    rec.totalBytes = 4;
    ASSERT_EQ(SyncReadRecordByIndex(&rec), 0);
    EXPECT_EQ(rec.recSize, 9u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer_), 5), "reco#");

    rec = Descriptor(db, 0);
    rec.pBytes = nullptr;
    EXPECT_EQ(SyncReadRecordByIndex(&rec), palm::kSyncErrBadArgument);
    EXPECT_EQ(SyncReadRecordByIndex(nullptr), palm::kSyncErrBadArgument);
    EXPECT_EQ(SyncCloseDB(db), 0);
}

TEST_F(Sync20, NextModifiedWalksDirtyRecordsWithACursorPerHandle) {
    MakeDatabase("Ledgerly_DB", 5, {0, 2, 3});
    uint8_t a = 0, b = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &a, palm::kOpenRead | palm::kOpenWrite), 0);
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &b, palm::kOpenRead), 0);
    palm::RawRecord rec = Descriptor(a);
    ASSERT_EQ(SyncReadNextModifiedRec(&rec), 0);
    EXPECT_EQ(rec.recId, 10u);
    ASSERT_EQ(SyncReadNextModifiedRec(&rec), 0);
    EXPECT_EQ(rec.recId, 12u);
    EXPECT_EQ(rec.recIndex, 2);
    palm::RawRecord other = Descriptor(b);
    ASSERT_EQ(SyncReadNextModifiedRec(&other), 0);
    EXPECT_EQ(other.recId, 10u);
    // Deleting the record just read keeps the walk going.
    ASSERT_EQ(SyncDeleteRec(&rec), 0);
    ASSERT_EQ(SyncReadNextModifiedRec(&rec), 0);
    EXPECT_EQ(rec.recId, 13u);
    EXPECT_EQ(rec.recIndex, 2);
    EXPECT_EQ(SyncReadNextModifiedRec(&rec), palm::kSyncErrNotFound);
    EXPECT_EQ(SyncReadNextModifiedRec(&rec), palm::kSyncErrNotFound);
    EXPECT_EQ(SyncDeleteRec(&other), palm::kSyncErrReadOnly);
    EXPECT_EQ(SyncCloseDB(b), 0);
    EXPECT_EQ(SyncCloseDB(a), 0);
    EXPECT_EQ(Load("Ledgerly_DB").records.size(), 4u);
}

TEST_F(Sync20, WritesAppendNewRecordsAndReplaceExistingOnes) {
    MakeDatabase("LedgerlyAux_DB", 2);
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("LedgerlyAux_DB", 0, &db, kReadWriteExclusive), 0);
    char text[] = "UID=U-17";
    palm::RawRecord rec = Descriptor(db);
    rec.pBytes = reinterpret_cast<uint8_t*>(text);
    rec.recSize = sizeof text;
    rec.catId = 14;
    rec.attribs = palm::kRawDirty | palm::kRawArchived;
    ASSERT_EQ(SyncWriteRec(&rec), 0);
    EXPECT_EQ(rec.recId, 12u);  // above every id in use and the seed
    EXPECT_EQ(rec.recIndex, 2);
    rec.recId = 0;
    ASSERT_EQ(SyncWriteRec(&rec), 0);
    EXPECT_EQ(rec.recId, 13u);

    char changed[] = "name=first=second";
    rec.recId = 10;
    rec.pBytes = reinterpret_cast<uint8_t*>(changed);
    rec.recSize = sizeof changed;
    rec.catId = 3;
    rec.attribs = 0;
    ASSERT_EQ(SyncWriteRec(&rec), 0);
    EXPECT_EQ(rec.recIndex, 0);
    rec.recId = 999;
    EXPECT_EQ(SyncWriteRec(&rec), palm::kSyncErrNotFound);
    rec.recId = 0;
    rec.catId = 16;
    EXPECT_EQ(SyncWriteRec(&rec), palm::kSyncErrBadArgument);
    rec.catId = 1;
    rec.pBytes = nullptr;
    EXPECT_EQ(SyncWriteRec(&rec), palm::kSyncErrBadArgument);
    ASSERT_EQ(SyncCloseDB(db), 0);

    palm::Database file = Load("LedgerlyAux_DB");
    ASSERT_EQ(file.records.size(), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(file.records[0].data.data())), changed);
    EXPECT_EQ(file.records[0].category, 3);
    EXPECT_EQ(file.records[0].flags, 0);
    EXPECT_EQ(file.records[2].uniqueId, 12u);
    EXPECT_EQ(file.records[2].category, 14);
    EXPECT_EQ(file.records[2].flags, palm::kRecDirty);
    EXPECT_EQ(file.records[2].data.size(), sizeof text);
    // The header and the appInfo block are kept; only the seed moved on.
    EXPECT_EQ(file.Name(), "LedgerlyAux_DB");
    EXPECT_EQ(file.header.creationDate, 3000000000u);
    EXPECT_EQ(file.header.modificationNumber, 9u);
    EXPECT_EQ(file.header.uniqueIdSeed, 14u);
    EXPECT_EQ(file.appInfo, (std::vector<uint8_t>{'A', 'I'}));

    ASSERT_EQ(SyncOpenDB("LedgerlyAux_DB", 0, &db, palm::kOpenRead), 0);
    rec = Descriptor(db);
    rec.pBytes = reinterpret_cast<uint8_t*>(text);
    rec.recSize = sizeof text;
    EXPECT_EQ(SyncWriteRec(&rec), palm::kSyncErrReadOnly);
    EXPECT_EQ(SyncResetSyncFlags(db), palm::kSyncErrReadOnly);
    EXPECT_EQ(SyncCloseDB(db), 0);
}

TEST_F(Sync20, DeletingWhileReadingByIndexFetchesTheNextRecord) {
    MakeDatabase("Ledgerly_DB", 3, {0, 1, 2});
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    std::vector<uint32_t> seen;
    uint16_t count = 0;
    SyncGetDBRecordCount(db, &count);
    while (count > 0) {
        palm::RawRecord rec = Descriptor(db, 0);
        ASSERT_EQ(SyncReadRecordByIndex(&rec), 0);
        seen.push_back(rec.recId);
        ASSERT_EQ(SyncDeleteRec(&rec), 0);
        EXPECT_EQ(SyncDeleteRec(&rec), palm::kSyncErrNotFound);
        SyncGetDBRecordCount(db, &count);
    }
    EXPECT_EQ(seen, (std::vector<uint32_t>{10, 11, 12}));
    ASSERT_EQ(SyncCloseDB(db), 0);
    EXPECT_TRUE(Load("Ledgerly_DB").records.empty());
}

TEST_F(Sync20, DeletingTenThousandRecords) {
    MakeDatabase("Ledgerly_DB", 10000);
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    DWORD start = GetTickCount();
    for (uint16_t left = 10000; left > 0; --left) {
        palm::RawRecord rec = Descriptor(db, static_cast<uint16_t>(left % 2 ? 0 : left - 1));
        ASSERT_EQ(SyncReadRecordByIndex(&rec), 0);
        ASSERT_EQ(SyncDeleteRec(&rec), 0);
    }
    uint16_t count = 1;
    SyncGetDBRecordCount(db, &count);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(SyncCloseDB(db), 0);
    RecordProperty("milliseconds", static_cast<int>(GetTickCount() - start));
    EXPECT_TRUE(Load("Ledgerly_DB").records.empty());
}

TEST_F(Sync20, ResetClearsEveryDirtyFlag) {
    MakeDatabase("Ledgerly_DB", 4, {1, 3});
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    ASSERT_EQ(SyncResetSyncFlags(db), 0);
    palm::RawRecord rec = Descriptor(db);
    EXPECT_EQ(SyncReadNextModifiedRec(&rec), palm::kSyncErrNotFound);
    EXPECT_EQ(SyncResetSyncFlags(77), palm::kSyncErrBadHandle);
    ASSERT_EQ(SyncCloseDB(db), 0);
    for (const palm::Record& r : Load("Ledgerly_DB").records) EXPECT_EQ(r.flags, 0);
}

TEST_F(Sync20, AnUnchangedDatabaseIsNotRewritten) {
    // A file laid out without the two padding bytes: a rewrite would add them.
    MakeDatabase("Ledgerly_DB", 2, {0});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(palm::ReadBytes(Path("Ledgerly_DB"), bytes, error));
    for (size_t entry = 0; entry < 2; ++entry) bytes[78 + entry * 8 + 3] -= 2;
    bytes[52 + 3] -= 2;
    bytes.erase(bytes.begin() + 78 + 16, bytes.begin() + 78 + 18);
    ASSERT_TRUE(palm::WriteBytesAtomically(Path("Ledgerly_DB"), bytes, error));

    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    palm::RawRecord rec = Descriptor(db);
    ASSERT_EQ(SyncReadNextModifiedRec(&rec), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer_), "record 0");
    ASSERT_EQ(SyncCloseDB(db), 0);
    std::vector<uint8_t> after;
    ASSERT_TRUE(palm::ReadBytes(Path("Ledgerly_DB"), after, error));
    EXPECT_EQ(after, bytes);
}

TEST_F(Sync20, MalformedDatabaseIsRefusedAndReported) {
    std::string error;
    ASSERT_TRUE(palm::WriteBytesAtomically(Path("Broken_DB"), std::vector<uint8_t>(40, 0), error));
    uint8_t db = 0;
    EXPECT_EQ(SyncOpenDB("Broken_DB", 0, &db, kReadWriteExclusive), palm::kSyncErrCorrupt);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("SYNC20: "), std::string::npos);
    EXPECT_NE(reports[0].find("Broken_DB.pdb: truncated header"), std::string::npos);
}

TEST_F(Sync20, AFailedWriteBackKeepsTheOldFile) {
    MakeDatabase("Ledgerly_DB", 2);
    std::vector<uint8_t> before, after;
    std::string error;
    ASSERT_TRUE(palm::ReadBytes(Path("Ledgerly_DB"), before, error));
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    palm::RawRecord rec = Descriptor(db);
    ASSERT_EQ(SyncReadRecordByIndex(&rec), 0);
    ASSERT_EQ(SyncDeleteRec(&rec), 0);
    // A folder in the way of the temporary file's rename target.
    ASSERT_TRUE(DeleteFileA(Path("Ledgerly_DB").c_str()));
    ASSERT_TRUE(CreateDirectoryA(Path("Ledgerly_DB").c_str(), nullptr));
    EXPECT_EQ(SyncCloseDB(db), palm::kSyncErrFailed);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Ledgerly_DB.pdb: cannot write"), std::string::npos);
    RemoveDirectoryA(Path("Ledgerly_DB").c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "\\*.tmp*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left behind";
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(Sync20, LeftoverHandlesAreClosedAndWrittenBackAtUnregister) {
    MakeDatabase("Ledgerly_DB", 2, {0, 1});
    uint8_t db = 0;
    ASSERT_EQ(SyncOpenDB("Ledgerly_DB", 0, &db, kReadWriteExclusive), 0);
    ASSERT_EQ(SyncResetSyncFlags(db), 0);
    ASSERT_EQ(SyncUnRegisterConduit(conduit_), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("still open"), std::string::npos);
    for (const palm::Record& r : Load("Ledgerly_DB").records) EXPECT_EQ(r.flags, 0);
    ASSERT_EQ(SyncRegisterConduit(&conduit_), 0);
}

TEST(Hslog20, KeepsEveryEntryForTheHost) {
    LogHostReset();
    EXPECT_EQ(LogAddEntry("", 19, 0), 0);
    EXPECT_EQ(LogAddEntry("   - Text\twith\ntabs", -1, 1), 0);
    EXPECT_EQ(LogAddEntry(nullptr, 17, 0), 0);
    ASSERT_EQ(LogHostCount(), 3);
    int activity = 0, timestamp = 0;
    char time[9] = {};
    EXPECT_STREQ(LogHostEntry(1, &activity, &timestamp, time), "   - Text\twith\ntabs");
    EXPECT_EQ(activity, -1);
    EXPECT_EQ(timestamp, 1);
    EXPECT_EQ(std::strlen(time), 8u);
    EXPECT_STREQ(LogHostEntry(2, &activity, nullptr, nullptr), "");
    EXPECT_EQ(activity, 17);
    EXPECT_EQ(LogHostEntry(3, &activity, nullptr, nullptr), nullptr);
    EXPECT_EQ(LogHostEntry(-1, nullptr, nullptr, nullptr), nullptr);
    LogHostReset();
    EXPECT_EQ(LogHostCount(), 0);
}

}  // namespace
