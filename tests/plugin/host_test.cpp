// The host stand-ins: component interfaces and their reference counts, the
// studio's component registry, file copying and the loader's verification
// of a plug-in's record.

#include "plugin_support.h"

#include <qafileutil.h>

#include <QFile>
#include <QPointer>

namespace {

class BarePlugin : public QGPlugin {
public:
    BarePlugin() : QGPlugin(new QGPluginInterface) {}
};

// A component with no interface beyond IID_QUnknown.
class LoneComponent : public QUnknownInterface {
public:
    QRESULT queryInterface(const QUuid& iid, QUnknownInterface** iface) override
    {
        *iface = iid == IID_QUnknown ? this : nullptr;
        if (*iface)
            addRef();
        return *iface ? QS_OK : QE_NOINTERFACE;
    }
    unsigned long addRef() override { return ++refs; }
    unsigned long release() override { return --refs; }
    unsigned long refs = 0;
};

TEST(HostPluginInterface, CountsReferencesAndDestroysItsPluginWithTheLast)
{
    QPointer<BarePlugin> plugin = new BarePlugin;
    QUnknownInterface* iface = plugin->iface();

    QUnknownInterface* unknown = nullptr;
    EXPECT_EQ(iface->queryInterface(IID_QUnknown, &unknown), QS_OK);
    EXPECT_EQ(unknown, iface);
    QUnknownInterface* studio = iface;
    EXPECT_EQ(iface->queryInterface(IID_QAIStudio, &studio), QE_NOINTERFACE);
    EXPECT_EQ(studio, nullptr);
    EXPECT_EQ(qaViewerPlugin(iface), nullptr) << "a bare plug-in is no viewer";

    EXPECT_EQ(iface->addRef(), 3u);
    EXPECT_EQ(iface->release(), 2u);
    EXPECT_EQ(unknown->release(), 1u);
    EXPECT_FALSE(plugin.isNull());
    EXPECT_EQ(iface->release(), 0u);
    EXPECT_TRUE(plugin.isNull());
}

TEST(HostStudio, FindsComponentsByNameAndByInterface)
{
    QAStudio studio;
    LoneComponent lone;
    QAWorkspace first;
    QAWorkspace second;
    studio.addComponent(QStringLiteral("lone"), &lone);
    studio.addComponent(QStringLiteral("first"), &first);
    studio.addComponent(QStringLiteral("second"), &second);

    EXPECT_EQ(studio.componentsProviding(IID_QAIWorkspace), QStringList({"first", "second"}));
    EXPECT_EQ(studio.componentsProviding(IID_QUnknown), QStringList({"lone", "first", "second"}));
    EXPECT_TRUE(studio.componentsProviding(IID_QAIStudio).isEmpty());
    EXPECT_EQ(first.refCount(), 0u) << "asking who provides an interface keeps no reference";

    QUnknownInterface* iface = nullptr;
    EXPECT_EQ(studio.queryInterface(IID_QAIStudio, &iface), QS_OK);
    EXPECT_EQ(static_cast<QAIStudio*>(iface), &studio);
    EXPECT_EQ(studio.queryInterface(IID_QAIWorkspace, &iface), QE_NOINTERFACE);
    EXPECT_EQ(iface, nullptr);
    EXPECT_EQ(studio.refCount(), 1u);

    EXPECT_EQ(studio.componentInterface(QStringLiteral("second"), IID_QAIWorkspace, &iface), QS_OK);
    EXPECT_EQ(static_cast<QAIWorkspace*>(iface), &second);
    EXPECT_EQ(second.refCount(), 1u);
    iface = &lone;
    EXPECT_EQ(studio.componentInterface(QStringLiteral("lone"), IID_QAIWorkspace, &iface), QE_NOINTERFACE);
    EXPECT_EQ(iface, nullptr);
    iface = &lone;
    EXPECT_EQ(studio.componentInterface(QStringLiteral("none"), IID_QUnknown, &iface), QE_NOCOMPONENT);
    EXPECT_EQ(iface, nullptr);

    studio.addComponent(QStringLiteral("first"), &second);
    studio.addComponent(QStringLiteral("lone"), nullptr);
    EXPECT_EQ(studio.componentsProviding(IID_QUnknown), QStringList({"first", "second"}));
    EXPECT_EQ(studio.componentInterface(QStringLiteral("first"), IID_QAIWorkspace, &iface), QS_OK);
    EXPECT_EQ(static_cast<QAIWorkspace*>(iface), &second);
}

TEST(HostFileUtil, CopiesWholeFilesAndReplacesTheDestination)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    const QString destination = dir.filePath(QStringLiteral("destination.bin"));
    QByteArray content;
    for (int i = 0; i < 200000; ++i)
        content += char(i * 7 % 256);
    writeFile(source, content);
    writeFile(destination, "old and longer than nothing");

    EXPECT_TRUE(QAFileUtil::copyFile(source, destination));
    EXPECT_EQ(readFile(destination), content);
    EXPECT_EQ(readFile(source), content);

    writeFile(source, "");
    EXPECT_TRUE(QAFileUtil::copyFile(source, destination));
    EXPECT_TRUE(QFile::exists(destination));
    EXPECT_EQ(readFile(destination), QByteArray());
}

TEST(HostFileUtil, RefusesWhatCannotBeCopiedAndLeavesTheDestination)
{
    QTemporaryDir dir;
    const QString destination = dir.filePath(QStringLiteral("kept.html"));
    writeFile(destination, "kept");

    EXPECT_FALSE(QAFileUtil::copyFile(dir.filePath(QStringLiteral("missing")), destination));
    EXPECT_FALSE(QAFileUtil::copyFile(dir.path(), destination));
    EXPECT_FALSE(QAFileUtil::copyFile(QString(), destination));
    EXPECT_EQ(readFile(destination), QByteArray("kept"));

    EXPECT_FALSE(QAFileUtil::copyFile(destination, dir.filePath(QStringLiteral("no/such/dir/copy.html"))));
    EXPECT_FALSE(QAFileUtil::copyFile(destination, QString()));
}

TEST(HostLoader, RefusesARecordThatDoesNotFit)
{
    const QByteArray good = QAPluginLoader::expectedVerificationData();
    const QList<QByteArray> lines = good.split('\n');
    auto with = [&lines](int index, const QByteArray& line) {
        QList<QByteArray> changed = lines;
        changed[index] = line;
        return changed.join('\n');
    };
    const QByteArray otherFlags = lines[2].endsWith('1') ? "flags=00" : "flags=01";
    const QList<QByteArray> bad = {
        with(0, "pattern=QT_UCM_VERIFICATION"),
        with(1, "version=3.3.8"),
        with(1, lines[1] + ".1"),
        with(2, otherFlags),
        with(3, "buildkey=x86_64 Linux g++-4 full-config no-opengl QT_NO_LIBRARY_UNLOAD"),
        with(3, lines[3] + " "),
        lines.mid(0, 3).join('\n'),
        good + "\n",
        good + "\nextra=1",
        QList<QByteArray>({lines[1], lines[0], lines[2], lines[3]}).join('\n'),
        "",
    };
    for (const QByteArray& record : bad) {
        QString why;
        EXPECT_FALSE(QAPluginLoader::verify(record.constData(), &why)) << record.toStdString();
        EXPECT_FALSE(why.isEmpty()) << record.toStdString();
    }
    EXPECT_FALSE(QAPluginLoader::verify(nullptr));
}

TEST(HostLoader, RefusesLibrariesThatAreNoPlugins)
{
    QAPluginLoader missing(QStringLiteral("/no/such/libplugin.so"));
    EXPECT_FALSE(missing.load());
    EXPECT_FALSE(missing.errorString().isEmpty());
    EXPECT_EQ(missing.instantiate(), nullptr);

    QAPluginLoader host(QStringLiteral(QAHOST_LIBRARY_FILE));
    EXPECT_FALSE(host.load());
    EXPECT_TRUE(host.errorString().contains(QStringLiteral("qt_ucm_query_verification_data")))
        << host.errorString().toStdString();
    EXPECT_EQ(host.instantiate(), nullptr);
}

} // namespace
