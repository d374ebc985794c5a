#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

// A fresh database, the shared state and a main window over them.
class ShellTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  void SetUp() override {
    m_state.db = m_db.get();
    m_main = std::make_unique<balvix::shell::frmMain>(m_state);
  }
  void TearDown() override {
    m_main.reset();
    m_state.sharedRecordset.close();
  }

  void addObject(const QString& type, const QString& name, const QString& descript = QString()) {
    m_db->execute(QStringLiteral("INSERT INTO form_items (type,name,descript) VALUES (") +
                  balvix::storage::quote(type) + QLatin1Char(',') + balvix::storage::quote(name) +
                  QLatin1Char(',') + balvix::storage::quote(descript.isEmpty() ? name : descript) +
                  QLatin1Char(')'));
  }

  balvix::shell::AppState m_state;
  std::unique_ptr<balvix::shell::frmMain> m_main;
  balvix::shell::MessageRecorder m_messages;
};
