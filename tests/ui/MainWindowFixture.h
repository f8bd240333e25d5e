#pragma once

#include "settings/SettingsStore.h"
#include "tests/TestSupport.h"
#include "ui/frmMain.h"

#include <QTest>

#include <memory>

// The main window on a private settings folder, with its messages recorded and
// its file dialogs answered by the test.
class MainWindowFixture
{
protected:
    // Opens a fresh window; returns whether it became the active window.
    bool openMainWindow(const QString& settingsFolder)
    {
        m_window.reset();
        m_settings =
            std::make_unique<SettingsStore>(SettingsStore::Backend::IniFiles, settingsFolder);
        m_messages = {};
        m_dialogs = {};
        m_window = std::make_unique<frmMain>(*m_settings, m_messages, m_dialogs);
        m_window->show();
        return QTest::qWaitForWindowActive(m_window.get());
    }

    std::unique_ptr<SettingsStore> m_settings;
    RecordingMessages m_messages;
    ScriptedFileDialogs m_dialogs;
    std::unique_ptr<frmMain> m_window;
};
