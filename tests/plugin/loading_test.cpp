// Loading the plug-in library as the host does: the entry points, the
// verification record, instantiation and initialisation.

#include "plugin_support.h"

#include <QPointer>
#include <QDir>

#include <cstring>
#include <dlfcn.h>

namespace {

// A host that offers no studio.
class HostWithoutStudio : public QUnknownInterface {
public:
    QRESULT queryInterface(const QUuid& iid, QUnknownInterface** iface) override
    {
        ++queries;
        *iface = iid == IID_QUnknown ? this : nullptr;
        return *iface ? QS_OK : QE_NOINTERFACE;
    }
    unsigned long addRef() override { return 1; }
    unsigned long release() override { return 1; }
    int queries = 0;
};

using Loading = PluginHostTest;

TEST_F(Loading, ExportsOnlyTheTwoEntryPointsWithCLinkage)
{
    void* handle = dlopen(QFile::encodeName(library->fileName()).constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(dlsym(handle, "qt_ucm_query_verification_data"), nullptr);
    EXPECT_NE(dlsym(handle, "ucm_instantiate"), nullptr);
    // The plug-in class itself stays inside the library.
    EXPECT_EQ(dlsym(handle, "_ZN16QAStDATACOPluginC1Ev"), nullptr);
    EXPECT_EQ(dlsym(handle, "_ZN16QAStDATACOPlugin13executeScriptER11QStringListb"), nullptr);
    dlclose(handle);  // drops only the reference taken above
}

TEST_F(Loading, VerificationRecordIsFourLinesThatFitThisHost)
{
    const char* record = library->loader().verificationData();
    ASSERT_NE(record, nullptr);
    const QByteArray text(record, qsizetype(std::strlen(record)));
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 4) << record;
    EXPECT_EQ(lines[0], "pattern=QT_UCM_VERIFICATION_DATA");
    EXPECT_EQ(lines[1], "version=" QT_VERSION_STR);
    EXPECT_TRUE(lines[2].size() == 8 && lines[2].startsWith("flags=") &&
                QByteArray("01").contains(lines[2][6]) && QByteArray("01").contains(lines[2][7]))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("buildkey=") && lines[3].size() > 9);
    // The host computes its own record and takes the plug-in only if both
    // agree; the loader has already done so.
    EXPECT_EQ(text, QAPluginLoader::expectedVerificationData());
    EXPECT_TRUE(library->loaded());
    // The same record on every call.
    using Query = const char* (*)();
    void* handle = dlopen(QFile::encodeName(library->fileName()).constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    auto query = reinterpret_cast<Query>(dlsym(handle, "qt_ucm_query_verification_data"));
    EXPECT_EQ(query(), record);
    dlclose(handle);
}

TEST_F(Loading, EveryInstantiationMakesAnIndependentPluginSharingTheHost)
{
    QUnknownInterface* firstIface = library->instantiate();
    QUnknownInterface* secondIface = library->instantiate();
    ASSERT_NE(firstIface, nullptr);
    ASSERT_NE(secondIface, nullptr);
    EXPECT_NE(firstIface, secondIface);
    QPointer<QAStViewerPlugin> first = qaViewerPlugin(firstIface);
    QPointer<QAStViewerPlugin> second = qaViewerPlugin(secondIface);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.data(), second.data());
    EXPECT_STREQ(first->metaObject()->className(), "QAStDATACOPlugin");

    // The host interface and the icon path are shared by every plug-in of
    // the library.
    EXPECT_TRUE(second->pluginIcon().isNull());
    first->initialize(&studio, nullptr);
    EXPECT_EQ(second->pluginIcon(), QStringLiteral("/opt/velarion/icons/dataco.png"));
    writeLoggingMergeScript();
    QStringList files{QStringLiteral("a.tio"), QStringLiteral("b.fdc")};
    second->create(files, nullptr, nullptr);
    EXPECT_EQ(output().value(0), QStringLiteral("mergedataco.pl a.tio b.fdc -report=\"indexDATACOreport.html\""));
    EXPECT_FALSE(loggedScriptLines().isEmpty());

    // Releasing one plug-in's interface destroys that plug-in only.
    library->release(firstIface);
    EXPECT_TRUE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second->pluginIcon(), QStringLiteral("/opt/velarion/icons/dataco.png"));
}

TEST_F(Loading, InitializeTakesTheStudioAndBuildsTheIconPath)
{
    QAStViewerPlugin* plugin = library->newPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->pluginIcon().isNull());
    plugin->initialize(&studio, nullptr);
    EXPECT_EQ(plugin->pluginIcon(), QStringLiteral("/opt/velarion/icons") + QDir::separator() + "dataco.png");
    // The plug-in keeps the studio it obtained and never lets it go.
    EXPECT_EQ(studio.refCount(), 1u);

    // A second host replaces the first.
    QAStudio other;
    TestOutputWindow otherWindow;
    other.setOutputWindow(&otherWindow);
    other.setIconDirectory(QStringLiteral("/other"));
    other.setScriptDirectory(scriptDirectory);
    other.setScriptCommand({perlProgram()});
    plugin->initialize(&other, nullptr);
    EXPECT_EQ(plugin->pluginIcon(), QStringLiteral("/other/dataco.png"));
    writeLoggingMergeScript();
    QStringList files{QStringLiteral("a.tio"), QStringLiteral("b.fdc")};
    plugin->create(files, nullptr, nullptr);
    EXPECT_TRUE(output().isEmpty());
    EXPECT_EQ(otherWindow.texts(QAOutputWindow::Output).value(0).left(15), QStringLiteral("mergedataco.pl "));
}

TEST_F(Loading, WithoutAStudioThePluginHasNoHostAndKeepsItsIcon)
{
    QAStViewerPlugin* plugin = library->newPlugin();
    ASSERT_NE(plugin, nullptr);
    writeLoggingMergeScript();
    QStringList files{QStringLiteral("a.tio"), QStringLiteral("b.fdc")};

    // A null host, before any initialisation: nothing to run with.
    plugin->initialize(nullptr, nullptr);
    EXPECT_TRUE(plugin->pluginIcon().isNull());
    plugin->create(files, nullptr, nullptr);

    plugin->initialize(&studio, nullptr);
    const QString icon = plugin->pluginIcon();

    // A null host drops the studio but keeps the icon path.
    plugin->initialize(nullptr, nullptr);
    EXPECT_EQ(plugin->pluginIcon(), icon);
    plugin->create(files, nullptr, nullptr);

    // So does a host that offers no studio.
    plugin->initialize(&studio, nullptr);
    HostWithoutStudio bare;
    plugin->initialize(&bare, nullptr);
    EXPECT_EQ(bare.queries, 1);
    EXPECT_EQ(plugin->pluginIcon(), icon);
    plugin->create(files, nullptr, nullptr);

    EXPECT_TRUE(window.entries().isEmpty());
    EXPECT_TRUE(loggedScriptLines().isEmpty()) << "no script may run without a host";
    EXPECT_TRUE(plugin->findChildren<QObject*>().isEmpty());
}

} // namespace
