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

/* Its texts fill the two blocks of sixteen ids that already hold the texts it shares
   with SETUP.EXE (IDS_RESTART 204, IDS_UNABLE_TO_OPEN 242): each further block would
   add its own entries to the resource directory. The numbers are its own; SETUP.EXE
   gives some of them to other texts. */
#define IDS_CONFIRM_REMOVAL 192
#define IDS_REMOVAL_SUCCEEDED 193
#define IDS_REMOVAL_INCOMPLETE 194
#define IDS_MORE_ITEMS 195
#define IDS_NOT_UNINSTALL_LOG 196
#define IDS_CAPTION_UNINSTALL 197
#define IDS_USAGE 198
#define IDS_CANNOT_REGISTER 199
#define IDS_SHARED_FILE_QUESTION 200
#define IDS_ITEM_SKIPPED 201
#define IDS_ITEM_NOT_STARTED 202
#define IDS_ITEM_NOT_UNREGISTERED 203
#define IDS_ITEM_NOT_DELETED 205
#define IDS_ITEM_ENTRY_NOT_DELETED 206
#define IDS_ITEM_LOG_NOT_CHANGED 207
#define IDS_REMOVAL_LEFT_ITEMS 240
#define IDS_ITEM_LEFT_IN_PLACE 241

#endif
