#include "RenderSupport.h"

#include "SkinRules.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace skintest
{

QString renderFolder()
{
    const QString folder = QStringLiteral(PALAVRIX_RENDER_DIR);
    QDir().mkpath(folder);
    return folder;
}

QString renderToPng(QWidget *widget, const QString &name)
{
    if (!widget->isVisible()) {
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget))
            return {};
    }
    QApplication::processEvents();
    const QString path = renderFolder() + u'/' + name + QLatin1String(".png");
    if (!widget->grab().save(path))
        return {};
    return path;
}

QStringList builtInLooks()
{
    return BuiltInSkinNames();
}

} // namespace skintest
