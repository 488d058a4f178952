#pragma once
// A test fixture that points the component runtime at private, initially
// empty registry files (the user's and the machine-wide one) in a temporary
// folder, and puts the environment back afterwards. Also helpers to run a
// child process with that environment.

#include "platform/com/registry_file.h"
#include "platform/com/registry_tree.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class PrivateRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (Saved& v : saved_) {
            v.had = qEnvironmentVariableIsSet(v.name);
            v.value = qgetenv(v.name);
        }
        qputenv("TOLVANE_COM_REGISTRY", QFile::encodeName(registryFile()));
        qputenv("TOLVANE_COM_MACHINE_REGISTRY", QFile::encodeName(machineRegistryFile()));
    }
    void TearDown() override {
        for (const Saved& v : saved_) {
            if (v.had)
                qputenv(v.name, v.value);
            else
                qunsetenv(v.name);
        }
    }

    QString registryFile() const { return dir_.filePath(QStringLiteral("com-registry")); }
    QString machineRegistryFile() const {
        return dir_.filePath(QStringLiteral("machine/registry"));
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

    /// The registry as it is on disk now.
    static com::RegistryTree registry() {
        com::RegistryTree tree;
        EXPECT_EQ(com::readRegistry(&tree), com::S_OK);
        return tree;
    }
    /// Replaces the registry file with `tree`.
    void writeRegistry(const com::RegistryTree& tree) const {
        QFile f(registryFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(tree.serialize());
    }

    struct Run {
        int exitCode = -1;
        bool crashed = true;
        QString out;
        QString err;
    };
    /// Runs a program to its end with the private registry in its environment.
    static Run run(const QString& program, const QStringList& args,
                   const QString& workingDir = {}) {
        QProcess p;
        p.setProgram(program);
        p.setArguments(args);
        if (!workingDir.isEmpty())
            p.setWorkingDirectory(workingDir);
        p.start();
        Run r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.crashed = p.exitStatus() != QProcess::NormalExit;
        r.exitCode = p.exitCode();
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

private:
    struct Saved {
        const char* name;
        bool had = false;
        QByteArray value{};
    };
    QTemporaryDir dir_;
    Saved saved_[2] = {{"TOLVANE_COM_REGISTRY"}, {"TOLVANE_COM_MACHINE_REGISTRY"}};
};
