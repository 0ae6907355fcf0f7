// What the plug-in tells the host about itself, its translations and its
// meta-object.

#include "plugin_support.h"

#include <QCoreApplication>
#include <QDate>
#include <QMetaMethod>
#include <QTranslator>

namespace {

// Shows, in place of a translation, the context, the source text and the
// translator's comment it was asked for.
class RevealingTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* comment, int) const override
    {
        return QStringLiteral("%1|%2|%3").arg(QLatin1String(context), QString::fromUtf8(sourceText),
                                              QString::fromUtf8(comment ? comment : ""));
    }
    bool isEmpty() const override { return false; }
};

using Identity = PluginHostTest;

TEST_F(Identity, NamesVersionsAndCompanyAsShown)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name(), QStringLiteral("DCP"));
    EXPECT_EQ(plugin->description(), QStringLiteral("The Data Coupling Viewer"));
    EXPECT_FALSE(plugin->author().isEmpty());
    EXPECT_EQ(plugin->version(), QStringLiteral("Version 1.0.0"));
    EXPECT_EQ(plugin->pluginName(), QStringLiteral("Orvane Kestrom Velarion Data Coupling"));
    EXPECT_EQ(plugin->pluginDescription(), QStringLiteral("Orvane Kestrom Velarion Data Coupling Viewer Description"));
    EXPECT_EQ(plugin->pluginCompanyName(), QStringLiteral("Orvane Kestrom"));
    EXPECT_EQ(plugin->pluginCompanyDescription(),
              QStringLiteral("Orvane Kestrom, This plugin launch a Data Coupling viewer for Orvane Kestrom Velarion."));
    EXPECT_FALSE(plugin->pluginCopyRight().isEmpty());
    EXPECT_EQ(plugin->pluginVersion(), QStringLiteral("Version 1.1.0"));
    EXPECT_EQ(plugin->pluginCompanyIcon(), QStringLiteral("logo_90x90.xpm"));
    EXPECT_EQ(plugin->pluginIcon(), QStringLiteral("/opt/velarion/icons/dataco.png"));
}

TEST_F(Identity, TranslatesItsTextsWithTheirCommentsAndLeavesNamesAlone)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    RevealingTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    auto translated = [](const char* text, const char* comment) {
        return QStringLiteral("QAStDATACOPlugin|%1|%2").arg(QLatin1String(text), QLatin1String(comment));
    };
    EXPECT_EQ(plugin->description(), translated("The Data Coupling Viewer", "Data Coupling Plugin Description"));
    EXPECT_TRUE(plugin->author().startsWith(QStringLiteral("QAStDATACOPlugin|")));
    EXPECT_TRUE(plugin->author().endsWith(QStringLiteral("|Data Coupling Plugin Author")));
    EXPECT_EQ(plugin->version(), translated("Version 1.0.0", "Data Coupling Plugin Version"));
    EXPECT_EQ(plugin->pluginName(), translated("Orvane Kestrom Velarion Data Coupling", "Plugin Name"));
    EXPECT_EQ(plugin->pluginDescription(),
              translated("Orvane Kestrom Velarion Data Coupling Viewer Description", "Plugin Description"));
    EXPECT_EQ(plugin->pluginCompanyName(), translated("Orvane Kestrom", "Plugin Company Name"));
    EXPECT_EQ(plugin->pluginCompanyDescription(),
              translated("Orvane Kestrom, This plugin launch a Data Coupling viewer for Orvane Kestrom Velarion.",
                         "Plugin Company Description"));
    EXPECT_TRUE(plugin->pluginCopyRight().endsWith(QStringLiteral("|Plugin CopyRight")));
    EXPECT_EQ(plugin->pluginVersion(), translated("Version 1.1.0", "Plugin Version"));
    EXPECT_EQ(plugin->filters(),
              QStringList{translated("Data Coupling", "Data Coupling Plugin Extended Filters") +
                          QStringLiteral(" (*.fdc;*.tio;*.dcp.json)")});
    // Names, icons and patterns are not translated.
    EXPECT_EQ(plugin->name(), QStringLiteral("DCP"));
    EXPECT_EQ(plugin->pluginCompanyIcon(), QStringLiteral("logo_90x90.xpm"));
    EXPECT_EQ(plugin->pluginIcon(), QStringLiteral("/opt/velarion/icons/dataco.png"));
    EXPECT_EQ(plugin->accept().value(0), QStringLiteral("*.dcp.html;*.fdc;*.tio"));
    QCoreApplication::removeTranslator(&translator);
}

TEST_F(Identity, AcceptedPatternsAndFileDialogFilter)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->accept(), QStringList({"*.dcp.html;*.fdc;*.tio", "*.dcp.html", "*.fdc;*.tio"}));
    EXPECT_EQ(plugin->filters(), QStringList({"Data Coupling (*.fdc;*.tio;*.dcp.json)"}));
}

TEST_F(Identity, IsCreatedToday)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    const QDate before = QDate::currentDate();
    const QDate created = plugin->pluginCreation();
    const QDate after = QDate::currentDate();
    EXPECT_TRUE(created.isValid() && (created == before || created == after));
}

TEST_F(Identity, CastsOnlyToItsExactClassNameOrItsBases)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->qt_metacast("QAStDATACOPlugin"), static_cast<void*>(plugin));
    EXPECT_EQ(plugin->qt_metacast("QAStDATACOPluginX"), nullptr);
    EXPECT_EQ(plugin->qt_metacast("QAStDATACOPlugi"), nullptr);
    EXPECT_EQ(plugin->qt_metacast("qastdatacoplugin"), nullptr);
    EXPECT_EQ(plugin->qt_metacast(""), nullptr);
    EXPECT_EQ(plugin->qt_metacast(nullptr), nullptr);
    EXPECT_EQ(plugin->qt_metacast("QAStViewerPlugin"), static_cast<void*>(plugin));
    EXPECT_EQ(plugin->qt_metacast("QGPlugin"), static_cast<void*>(plugin));
    EXPECT_EQ(plugin->qt_metacast("QObject"), static_cast<void*>(plugin));
    EXPECT_TRUE(plugin->inherits("QAStViewerPlugin"));
}

TEST_F(Identity, MetaObjectHoldsExactlyTheThreeSlots)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    const QMetaObject* meta = plugin->metaObject();
    EXPECT_STREQ(meta->className(), "QAStDATACOPlugin");
    EXPECT_EQ(meta->superClass(), &QAStViewerPlugin::staticMetaObject);

    ASSERT_EQ(meta->methodCount() - meta->methodOffset(), 3);
    const char* const signatures[] = {"readUpdate()", "readStderrUpdate()", "eofUpdate()"};
    for (int i = 0; i < 3; ++i) {
        const QMetaMethod method = meta->method(meta->methodOffset() + i);
        EXPECT_EQ(method.methodSignature(), QByteArray(signatures[i]));
        EXPECT_EQ(method.methodType(), QMetaMethod::Slot);
        EXPECT_EQ(method.access(), QMetaMethod::Public);
        EXPECT_EQ(method.parameterCount(), 0);
    }
    EXPECT_EQ(meta->propertyCount(), meta->propertyOffset());
    EXPECT_EQ(meta->enumeratorCount(), meta->enumeratorOffset());
    EXPECT_EQ(meta->classInfoCount(), meta->classInfoOffset());
    EXPECT_EQ(meta->constructorCount(), 0);
}

TEST_F(Identity, NumbersItsSlotsAfterThoseOfItsBases)
{
    QAStViewerPlugin* plugin = newPlugin();
    ASSERT_NE(plugin, nullptr);
    const int first = plugin->metaObject()->methodOffset();
    EXPECT_EQ(first, QAStViewerPlugin::staticMetaObject.methodCount());
    void* noArguments[] = {nullptr};
    // Its own slots are handled here (with no process they have nothing to
    // do); the numbers after them are passed on, less the three slots.
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(plugin->qt_metacall(QMetaObject::InvokeMetaMethod, first + i, noArguments), 0);
    EXPECT_EQ(plugin->qt_metacall(QMetaObject::InvokeMetaMethod, first + 3, noArguments), 0);
    EXPECT_EQ(plugin->qt_metacall(QMetaObject::InvokeMetaMethod, first + 7, noArguments), 4);
    EXPECT_TRUE(window.entries().isEmpty());
}

} // namespace
