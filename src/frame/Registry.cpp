#include "frame/Registry.h"

#include <cassert>

#include "errors/ErrorTrail.h"

namespace frame {

void Registry::Register(FrameObject* object) {
    assert(object != nullptr && "a frame object must exist to be registered");
    m_records.push_back(Record { object });
}

void Registry::Clear() { m_records.clear(); }

void Registry::Forward(bool Record::*flag, void (FrameObject::*operation)()) {
    // By index: an operation may register further objects, which the pass then visits too.
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].*flag) continue;
        FrameObject* object = m_records[i].Object;
        (object->*operation)();
        if (errors::ErrorRaised()) return;
        m_records[i].*flag = true;
    }
}

void Registry::Backward(bool Record::*flag, void (FrameObject::*operation)()) {
    for (size_t i = m_records.size(); i-- > 0;) {
        if (!(m_records[i].*flag)) continue;
        m_records[i].*flag = false;
        (m_records[i].Object->*operation)();
    }
}

void Registry::InitPass() { Forward(&Record::Initialised, &FrameObject::Init); }
void Registry::ShutdownPass() { Backward(&Record::Initialised, &FrameObject::Shutdown); }
void Registry::CreateDeviceObjectsPass() { Forward(&Record::Created, &FrameObject::CreateDeviceObjects); }
void Registry::ReleaseDeviceObjectsPass() { Backward(&Record::Created, &FrameObject::ReleaseDeviceObjects); }
void Registry::RestoreDeviceObjectsPass() { Forward(&Record::Restored, &FrameObject::RestoreDeviceObjects); }
void Registry::InvalidateDeviceObjectsPass() { Backward(&Record::Restored, &FrameObject::InvalidateDeviceObjects); }

}  // namespace frame
