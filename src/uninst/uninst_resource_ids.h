/* UNINST.EXE's own resource identifiers; the shared ones are in ui/resource_ids.h. */
#ifndef UNINST_RESOURCE_IDS_H
#define UNINST_RESOURCE_IDS_H

#define IDD_SHARED_FILE 110
/* The question's text: the id of a message box's text, so that a tool that reads
   message boxes reads this question too. */
#define IDC_SHARED_FILE_TEXT 65535
/* Its icon: the id a message box gives its icon. */
#define IDC_SHARED_FILE_ICON 1088
/* The buttons Yes and No carry the ids that MessageBoxA answers with (IDYES, IDNO). */
#define IDC_REMOVE_SHARED 6
#define IDC_KEEP_SHARED 7
#define IDC_REMOVE_ALL_SHARED 114
#define IDC_KEEP_ALL_SHARED 115

#define IDS_CONFIRM_REMOVAL 300
#define IDS_REMOVAL_SUCCEEDED 301
#define IDS_REMOVAL_INCOMPLETE 302
#define IDS_MORE_ITEMS 303
#define IDS_NOT_UNINSTALL_LOG 304
#define IDS_CAPTION_UNINSTALL 305
#define IDS_USAGE 306
#define IDS_CANNOT_REGISTER 307
#define IDS_SHARED_FILE_QUESTION 308
#define IDS_ITEM_SKIPPED 310
#define IDS_ITEM_NOT_STARTED 311
#define IDS_ITEM_NOT_UNREGISTERED 312
#define IDS_ITEM_NOT_DELETED 313
#define IDS_ITEM_ENTRY_NOT_DELETED 314
#define IDS_ITEM_LOG_NOT_CHANGED 315
#define IDS_REMOVAL_LEFT_ITEMS 316
#define IDS_ITEM_LEFT_IN_PLACE 317

#endif
