#pragma once
// The interface of everything whose life follows the window and the graphics device.
//
// The framework calls the six operations in the order their life demands (see Registry.h).
// An operation reports failure by recording an error in the trail and returning; the
// framework tests ErrorRaised after every call. Resources that survive a device reset are
// made in CreateDeviceObjects and freed in ReleaseDeviceObjects; reset-sensitive resources
// and state blocks are made in RestoreDeviceObjects and freed in InvalidateDeviceObjects.
//
// The framework never owns or deletes a frame object, so the interface has no virtual
// destructor; its destructor is protected so that nobody deletes through it either.

namespace frame {

class FrameObject {
public:
    // Once, after the window exists and before the device exists.
    virtual void Init() {}
    // Once, at close or when start-up fails, and only after a successful Init.
    virtual void Shutdown() {}
    // After the device has been created.
    virtual void CreateDeviceObjects() {}
    // Before the device is released.
    virtual void ReleaseDeviceObjects() {}
    // After the default device state has been recorded: at start, after every device reset
    // and after every display-mode change.
    virtual void RestoreDeviceObjects() {}
    // Before every device reset, every display-mode change and the release of the device.
    virtual void InvalidateDeviceObjects() {}

protected:
    FrameObject() = default;
    FrameObject(const FrameObject&) = default;
    FrameObject& operator=(const FrameObject&) = default;
    ~FrameObject() = default;
};

}  // namespace frame
