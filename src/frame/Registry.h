#pragma once
// The registry of frame objects and the six passes over it.
//
// The Init, CreateDeviceObjects and RestoreDeviceObjects passes go forward in registration
// order over the records whose flag is cleared, call the operation and stop at the first call
// after which ErrorRaised is true, leaving that record's flag cleared; otherwise they set the
// flag and go on. The Shutdown, ReleaseDeviceObjects and InvalidateDeviceObjects passes go
// backward over the records whose flag is set, clear the flag before the call and never stop.
// So an object is never shut down without a successful Init, and a pass run twice does
// nothing the second time.

#include <cstddef>
#include <vector>

#include "frame/FrameObject.h"

namespace frame {

class Registry {
public:
    // Appends a record with every flag cleared; the object stays the caller's.
    void Register(FrameObject* object);
    // Forgets every record.
    void Clear();

    void InitPass();
    void ShutdownPass();
    void CreateDeviceObjectsPass();
    void ReleaseDeviceObjectsPass();
    void RestoreDeviceObjectsPass();
    void InvalidateDeviceObjectsPass();

    size_t Size() const { return m_records.size(); }

private:
    struct Record {
        FrameObject* Object { nullptr };
        bool Initialised { false };
        bool Created { false };
        bool Restored { false };
    };

    void Forward(bool Record::*flag, void (FrameObject::*operation)());
    void Backward(bool Record::*flag, void (FrameObject::*operation)());

    std::vector<Record> m_records;
};

}  // namespace frame
