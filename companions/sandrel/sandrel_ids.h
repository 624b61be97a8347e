// Resource and control ids of the backup program's window.
#pragma once

#define IDD_SANDREL 100
#define IDC_BACKUPS 1001
#define IDC_BACKUP_NOW 1002
#define IDC_RESTORE 1003
#define IDC_STATUS 1004
