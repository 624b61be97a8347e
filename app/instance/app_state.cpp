#include "app/instance/app_state.h"

const char kInstanceMutexName[] = "ZEDE";
const char kPanelTitle[] = "Vellumo";

AppState& AppState::Get() {
    static AppState& state = *new AppState;
    return state;
}

bool AppState::CreateInstanceMutex() {
    m_mutex.Reset(::CreateMutexA(nullptr, FALSE, kInstanceMutexName));
    return m_mutex.Valid() && ::GetLastError() == ERROR_ALREADY_EXISTS;
}
