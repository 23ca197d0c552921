#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <QTranslator>

#include <memory>
#include <stdexcept>

class QObject;

namespace testsupport
{

// Runs each test function of `test` in a run of its own, so that an exception escaping one (a
// fixture that cannot be set up, code under test that throws) fails that function only and the
// others still run. With arguments, Qt Test runs as usual: they choose functions or options.
int runTests(QObject &test, int argc, char **argv);

// For fixtures outside test functions: a check that fails throws std::runtime_error naming
// `what`, which ends the calling test function as failed (a QVERIFY there would end only the
// fixture and let the test go on).
void require(bool ok, const char *what);

// Makes a folder and the files in it read-only for the object's life, for root too: root
// gets a read-only bind mount of the folder on itself, anyone else loses the write bits.
class ReadOnlyFolder final
{
public:
    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

private:
    QString m_folder;
    bool m_mounted = false;
};

// A tmpfs of `size` (as mount takes it: "64k", "1536k") mounted on a temporary folder for the
// object's life, to fill a disk; mounting needs root, so without it mounted() is false.
class SmallDisk final
{
public:
    explicit SmallDisk(const QByteArray &size = "64k");
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// No file of this process may grow past `bytes` for the object's life (RLIMIT_FSIZE, with
// SIGXFSZ ignored): a write beyond fails with EFBIG, as one on a full disk fails with ENOSPC.
// Needs no privilege.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    long long m_savedSoft = 0;
    long long m_savedHard = 0;
    void (*m_savedHandler)(int) = nullptr;
};

// Writes bytes to a file, creating folders on the way; throws std::runtime_error on error.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

} // namespace testsupport

namespace testsupport
{

// A UDP port on 127.0.0.1 that nothing holds right now.
int freeUdpPort();

// Writes a Chat.cfg of 28 lines (code page 1251, CR LF) into `folder`: the shipped
// defaults with fast entry as `nick`, the broadcast address 127.0.0.1 and free ports,
// then `overrides` (the key of a line to the whole text of that line) on top. An unknown key
// throws std::invalid_argument.
void writeChatCfg(const QString &folder, const QString &nick,
                  const QList<QPair<QString, QString>> &overrides = {});

// The windows' English (palavrix_en.qm in `folder`) installed while the result lives; nothing
// when `english` is false, the texts being Russian. The default locale, which numbers follow,
// becomes English or Russian to match. Throws std::runtime_error when the file is missing.
std::unique_ptr<QTranslator> speakEnglish(bool english, const QString &folder);

} // namespace testsupport

// Test entry points like Qt Test's own, with each test function run by testsupport::runTests.
#define PALAVRIX_TEST_MAIN_WITH(AppClass, TestObject)                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        AppClass app(argc, argv);                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return testsupport::runTests(test, argc, argv);                                            \
    }
#define PALAVRIX_TEST_MAIN(TestObject) PALAVRIX_TEST_MAIN_WITH(QApplication, TestObject)
#define PALAVRIX_TEST_GUILESS_MAIN(TestObject) PALAVRIX_TEST_MAIN_WITH(QCoreApplication, TestObject)
#define PALAVRIX_TEST_APPLESS_MAIN(TestObject)                                                     \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return testsupport::runTests(test, argc, argv);                                            \
    }
