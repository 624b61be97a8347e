#include "app/app_state.h"

const char kInstanceMutexName[] = "ZEDE";
const char kPanelTitle[] = "Vellumo";

AppState& AppState::Get() {
    static AppState state;
    return state;
}

bool AppState::CreateInstanceMutex() {
    m_mutex.Reset(::CreateMutexA(nullptr, FALSE, kInstanceMutexName));
    return m_mutex.Valid() && ::GetLastError() == ERROR_ALREADY_EXISTS;
}

void AppState::InitDisplayLock() {
    if (m_displayLockReady) return;
    ::InitializeCriticalSection(&m_displayLock);
    m_displayLockReady = true;
}

void AppState::DeleteDisplayLock() {
    if (!m_displayLockReady) return;
    ::DeleteCriticalSection(&m_displayLock);
    m_displayLockReady = false;
}

Date LocalDateNow() { return LocalDateTimeNow().date; }

LocalDateTime LocalDateTimeNow() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    LocalDateTime now;
    now.date = {st.wYear, st.wMonth, st.wDay};
    now.time = {st.wHour, st.wMinute, st.wSecond};
    return now;
}

DisplayLockGuard::DisplayLockGuard() : m_held(AppState::Get().DisplayLockReady()) {
    if (m_held) ::EnterCriticalSection(&AppState::Get().DisplayLock());
}

DisplayLockGuard::~DisplayLockGuard() {
    if (m_held) ::LeaveCriticalSection(&AppState::Get().DisplayLock());
}
