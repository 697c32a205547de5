#pragma once
// A fake frame object that writes "name.Operation" into a shared journal, records an error in
// the operation it is told to fail in, and can throw in Init or act in RestoreDeviceObjects.

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "errors/ErrorTrail.h"
#include "frame/FrameObject.h"

namespace frame {

using Journal = std::vector<std::string>;

class Probe : public FrameObject {
public:
    Probe(std::string name, Journal& journal) : m_name(std::move(name)), m_journal(journal) {}

    std::string FailIn;  // "Init", "Shutdown", "Create", "Release", "Restore" or "Invalidate"
    bool ThrowInInit { false };
    std::function<void()> OnRestore;

    void Init() override {
        if (Note("Init"); ThrowInInit) throw std::runtime_error("zepsute");
    }
    void Shutdown() override { Note("Shutdown"); }
    void CreateDeviceObjects() override { Note("Create"); }
    void ReleaseDeviceObjects() override { Note("Release"); }
    void RestoreDeviceObjects() override {
        if (Note("Restore"); OnRestore) OnRestore();
    }
    void InvalidateDeviceObjects() override { Note("Invalidate"); }

private:
    void Note(const std::string& operation) {
        m_journal.push_back(m_name + "." + operation);
        if (operation == FailIn) errors::RaiseError(m_name + " nie działa");
    }

    std::string m_name;
    Journal& m_journal;
};

}  // namespace frame
