#pragma once

#include "storefixture.h"
#include "support/scripted.h"

#include "app/formmain.h"
#include "app/startup.h"
#include "board/roomboard.h"
#include "board/roombutton.h"
#include "store/datamodule.h"
#include "widgets/statuspanels.h"

#include <QDir>
#include <QFile>

// A venue database, a working folder holding the room pictures, scripted platform services and,
// once started, the whole program on that database.
struct AppFixture : StoreFixture
{
    QTemporaryDir work;
    QString previousDir = QDir::currentPath();
    ktv::TestPlatform services;
    std::unique_ptr<ktv::Program> program;

    explicit AppFixture(const QStringList &pictures = {QStringLiteral("LED_green_ON.BMP"),
                                                        QStringLiteral("LED_red_ON.BMP")})
    {
        for (const QString &file : pictures)
            QFile::copy(QStringLiteral(KTV_ASSETS_DIR "/") + file, work.filePath(file));
        QDir::setCurrent(work.path());
    }
    ~AppFixture()
    {
        program.reset();
        QDir::setCurrent(previousDir);
    }

    ktv::TFormMain &start()
    {
        program = ktv::startProgram(folder(), services.platform(), nullptr, onServer() ? location() : QString());
        return *program->main;
    }
    ktv::TDataModule1 &data() { return *program->data; }
    ktv::RoomBoard &board() { return *program->main->board(); }
    ktv::RoomButton *button(const QString &room) { return board().button(room); }
    QString panel(int i) { return program->main->StatusBar1()->panelText(i); }
};
