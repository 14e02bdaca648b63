#include "download/DialogHost.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPointer>

namespace zentil {

namespace {
constexpr double kDialogZ = 100; // above the slide and the panels
}

int RunHostedDialog(QDialog& dialog, QWidget* host)
{
    auto* view = qobject_cast<QGraphicsView*>(host);
    QGraphicsScene* scene = view ? view->scene() : nullptr;
    if (!scene) {
        if (host)
            dialog.setParent(host, dialog.windowFlags());
        return dialog.exec();
    }
    dialog.adjustSize();
    QPointer<QGraphicsProxyWidget> proxy = scene->addWidget(&dialog, Qt::Dialog);
    const QRectF area = scene->sceneRect();
    proxy->setPos(
        area.center().x() - dialog.width() / 2.0, area.center().y() - dialog.height() / 2.0);
    proxy->setZValue(kDialogZ);
    proxy->setPanelModality(QGraphicsItem::SceneModal);
    bool finished = false;
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&finished] { finished = true; });
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    proxy->setFocus();
    dialog.setFocus();
    // Events run while the dialog waits (as in a nested event loop, which would not start once
    // the application was told to quit).
    while (!finished && proxy && dialog.isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (proxy) {
        proxy->setWidget(nullptr); // the dialog belongs to the caller
        delete proxy;
    }
    if (view)
        view->setFocus();
    return dialog.result();
}

} // namespace zentil
