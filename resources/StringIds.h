#pragma once
// Identifiers of the string table. Message and command numbers are the program's
// historical ones; form texts (4000 and up) are ours.

namespace ids {
enum : int {

  // Frame, application
  AppTitle = 57344,  // application title, caption of plain message boxes
  FrameTitle = 129,
  ToolbarStandard = 124,
  ToolbarCustomize = 125,
  MenuEdit = 306,
  ProgressCaption = 314,
  StatusReady = 57345,
  IndicatorNum = 59138,

  // Commands: prompt, a line feed, tooltip
  CmdConnect = 32774,
  CmdDisconnect = 32775,
  CmdRefresh = 32776,
  CmdLoadFile = 32780,
  CmdSaveFile = 32781,
  CmdImportMotorDb = 32784,
  CmdExportMotorDb = 32785,
  CmdExit = 57665,
  CmdAbout = 57664,
  CmdToggleStatusBar = 59393,

  // Messages
  OpenPortFailed = 3001,  // "%1!d!" = port number
  MotorDbOpenFailed = 3009,
  MotorDbNoVersion = 3010,
  VersionDiffers = 3011,
  MotorDbDownloaded = 3012,
  TargetCreateFailed = 3013,
  MotorDbSaved = 3014,
  DescFileFailed = 3015,
  DescFileCaption = 3016,
  FactoryExportCaption = 3017,
  DpfSaveComplete = 3018,
  FactoryExportWarning = 3019,
  WrongDpf = 3020,
  DpfLoadComplete = 3021,
  DpfWriteFailed = 3022,  // our own: the file could not be written
  ParamNotCached = 3023,  // our own: "%1!d!" = address never read
  SetParamFailed = 3024,
  StopCurrentWarning = 3025,
  PulseFilterWarning = 3026,
  RetryReadParam = 3027,
  RetrySaveDrive = 3028,
  RetrySaveMotor = 3029,
  DriveParamsChanged = 3030,
  MotorParamsChanged = 3031,
  CommandTooLong = 3032,         // our own, result code -21
  AddressMismatch = 3033,        // our own, result code -22
  ExportReadSkipped = 3034,      // our own: "%1!d!" = addresses left out
  MotorDbWriteFailed = 3035,     // our own
  MotorDbBadByte = 3061,         // our own: "%1!d!" = line, "%2" = byte in hex
  MotorDbCommandTooLong = 3062,  // our own: "%1!d!" = line
  UserViewParamMissing = 3036,   // our own: "%1!d!" = address
  UserViewFieldMissing = 3038,   // our own: "%1" = address, "%2" = bit offset
  SetParamCaption = 3037,
  VersionPrefix = 3045,  // "Version : "
  NoEcho = 3047,
  PortFailure = 3046,
  NoResponse = 3048,
  ResponseTimeout = 3049,
  IncorrectEcho = 3050,
  UnknownResponse = 3051,
  ResponseTooLong = 3052,
  CommandFailed = 3053,

  // Forms and menus (texts of the windows themselves)
  MenuDrive = 4001,
  MenuParameters = 4002,
  MenuView = 4003,
  MenuHelp = 4004,
  MenuConnect = 4005,
  MenuDisconnect = 4006,
  MenuRefresh = 4007,
  MenuExit = 4008,
  MenuLoadFile = 4009,
  MenuSaveFile = 4010,
  MenuToolbars = 4011,
  MenuStatusBar = 4012,
  MenuAbout = 4013,
  MenuImportMotorDb = 4014,
  MenuExportMotorDb = 4015,

  ConnectCaption = 4101,
  ConnectBoard = 4102,
  ConnectPortNo = 4103,
  ConnectOptions = 4104,
  ConnectBaudrate = 4105,
  ConnectButton = 4106,

  ViewTargetInfo = 4201,
  ViewVersionDesign = 4202,  // "Version :"
  ViewParameters = 4203,
  ViewRowLabel0 = 4210,  // twelve design-time row labels, 4210..4221

  ProgressCancel = 4301,
  ProgressPercentDesign = 4302,  // "0 %"
  ProgressLine = 4303,           // "%1" = line number, "%2" = the command

  AboutCaption = 4401,
  AboutProductDesign = 4402,
  AboutCopyrightDesign = 4403,
  AboutModelsLabel = 4404,
  AboutOk = 4405,
  AboutForEndUsers = 4406,  // "%s for EndUsers"
  AboutVersionLine = 4407,  // "Version %d.%d.%d.%d (rev.%s)"

  FilterMotorDb = 4501,  // "Motor DB File(*.txt)"
  FilterDpf = 4502,      // "Drive Parameter File(*.dpf)"
  FilterAll = 4503,      // "All Files(*.*)"

  // Message box buttons
  ButtonOk = 4601,
  ButtonCancel = 4602,
  ButtonYes = 4603,
  ButtonNo = 4604,
  ButtonTryAgain = 4605,
  ButtonContinue = 4606,

  // Toolbar customization
  CustomizeCaption = 4701,
  CustomizeButtons = 4702,  // "Toolbar buttons:"
  CustomizeReset = 4703,
  CustomizeClose = 4704,

  // The port doctor: why a port cannot be opened and what to do (4800-4849)
  DoctorAvailable = 4800,
  DoctorNoPermission = 4801,
  DoctorBusy = 4802,
  DoctorBusyHeldBy = 4803,  // "%1" = holders, or DoctorThisProgram
  DoctorThisProgram = 4804,
  DoctorGone = 4805,
  DoctorCannotOpen = 4806,
  DoctorCannotOpenBecause = 4807,  // "%1" = the system's error text
  DoctorNoDevice = 4808,
  DoctorUsbSerial = 4809,  // "%1" = USB serial number
  DoctorBrailleService = 4810,
  DoctorGoneTakenBy = 4811,         // "%1" = the services that may have taken it
  DoctorPortsFile = 4812,           // a port list's word for a port the ports file maps
  DoctorAdviceJoinGroup = 4820,     // "%1" = group, "%2" = user
  DoctorAdviceGroupPending = 4821,  // "%1" = group
  DoctorAdviceGroupActive = 4822,   // "%1" = group, "%2" = device
  DoctorAdviceAskAdmin = 4823,      // "%1" = user, "%2" = device
  DoctorAdviceCloseHolder = 4824,   // "%1" = the holding process
  DoctorAdviceCloseHolders = 4825,  // "%1" = the holding processes
  DoctorAdviceHeldHere = 4826,
  DoctorAdviceBusyUnseen = 4827,
  DoctorAdviceGone = 4828,      // "%1" = ports file
  DoctorAdviceUnmapped = 4829,  // "%1" = COM number, "%2" = ports file
  DoctorAdviceFailed = 4830,
  DoctorAdviceBraille = 4831,

  // The connection as the status bar tells it (4900-4909)
  StatusConnected = 4900,  // "%1" = port number, "%2" = baud rate
  StatusNotConnected = 4901,
  StatusDriveLost = 4902,  // "%1" = port number
  // Network addresses (a serial device server)
  DoctorNetBadAddress = 4835,
  DoctorNetNameNotFound = 4836,  // "%1" = host
  DoctorNetRefused = 4837,       // "%1" = host:port
  DoctorNetNoAnswer = 4838,      // "%1" = host:port, "%2" = seconds waited
  DoctorNetUnreachable = 4839,   // "%1" = host
  DoctorNetInUse = 4840,
  DoctorAdviceNetBadAddress = 4841,
  DoctorAdviceNetName = 4842,
  DoctorAdviceNetRefused = 4843,
  DoctorAdviceNetNoAnswer = 4844,
  DoctorAdviceNetInUse = 4845,
  DoctorAdviceNetFailed = 4846,
  DoctorNetOpenFailed = 4847,    // "%1" = the address given on the command line
  DoctorNetNameNoAnswer = 5522,  // "%1" = host, "%2" = seconds waited
  DoctorAdviceNetNameNoAnswer = 5523,
  StatusServerClosed = 5524,  // "%1" = COM number, "%2" = the server's host:port

  // What the view, the files and the parameter access say of values not read or refused
  RowNotRead = 5100,            // a row whose value could not be read from this drive
  DpfReadSkipped = 5101,        // "%1" = entries left out of a saved file
  DpfPartialLoad = 5102,        // "%1" = entries written, "%2" = entries in the file
  MotorDbPartialImport = 5103,  // "%1" = line reached, "%2" = lines in the file
  ParamNotDescribed = 5104,     // "%1" = parameter reference
  ParamReadOnly = 5105,         // "%1" = parameter reference
  ParamValueRefused = 5106,     // "%1" = value, "%2" = reference, "%3" = allowed values
  ParamRangeText = 5107,        // "%1" = lowest, "%2" = highest
  DpfFileUnreadable = 5108,     // "%1" = path

  // Compare with File: a drive beside a drive parameter file (5200-5219)
  CmdCompareFile = 32786,  // command: prompt and tooltip
  MenuCompareFile = 5200,
  CompareCaption = 5201,
  CompareColumnParam = 5202,
  CompareColumnDrive = 5203,
  CompareColumnFile = 5204,
  CompareLoadDiffering = 5205,
  CompareClose = 5206,
  CompareSummaryDiffer = 5207,  // "%1" = entries that differ, "%2" = entries in the file
  CompareSummaryAgree = 5208,   // "%1" = entries in the file
  CompareFileLine = 5209,       // "%1" = file name, "%2" = version it was saved from
  CompareOtherModel = 5210,     // the file was saved from a drive of another version

  // Installed files: settings that cannot be used, description files not found (5300-5309)
  ConfigSetAside = 5300,      // "%1" = Config.ini, "%2" = where it was moved
  ConfigNotSetAside = 5301,   // "%1" = Config.ini
  DescFileFailedPath = 5302,  // "%1" = the description file's path

  // The write gate: checks, questions and end messages of every write to a drive (5400-5429)
  GateOffListQuestion = 5400,  // "%1" = the entries, one a line
  GateHeldOther = 5401,        // "%1" = value asked, "%2" = value the drive holds
  GateEndNotSaved = 5402,      // "%1" = entries in the drive, "%2" = entries planned, "%3" = the others
  GateEndSaved = 5403,         // likewise
  GateFlashQuestion = 5404,    // likewise
  GateEntryNotRead = 5405,     // the drive's value is not known
  GateNotWritable = 5406,      // "%1" = parameter reference: read-only or reserved
  GateStopped = 5407,          // "%1" = entries written, "%2" = entries planned
  DpfCut = 5410,               // the file's last line has no line end
  DpfGap = 5411,               // "%1" = the first missing section
  DpfRepeatedSection = 5412,   // "%1" = section
  DpfRepeatedKey = 5413,       // "%1" = section, "%2" = key
  DpfMissingKey = 5414,        // "%1" = section, "%2" = key
  DpfBadNumber = 5415,         // "%1" = section, "%2" = key, "%3" = the text
  DpfWholeOffset = 5416,       // "%1" = section
  DpfNoEntries = 5417,
  DpfNoTarget = 5418,
  DpfEntryFault = 5419,       // "%1" = section, "%2" = what is wrong
  CliNeedsPortInName = 5420,  // "%1" = subcommand
  CliEntryStopped = 5421,

  // Whole values and the motor DB import through the write gate (5430-5469)
  GateEntryOverridden = 5430,      // "%1" = reference, "%2" = the value a later entry leaves it with
  GateWholeSubField = 5431,        // "%1" = whole reference, "%2" = sub-field, "%3" = value, "%4" = range
  GateSubFieldOutside = 5432,      // "%1" = sub-field, "%2" = value the drive holds, "%3" = range
  GateUndescribedBits = 5433,      // "%1" = bits, "%2" = address
  GateChangedSinceAsked = 5434,    // "%1" = entry, "%2" = value the drive holds now
  MotorDbRefused = 5435,           // first line of a refused motor DB file
  MotorDbLineName = 5436,          // "%1" = line number
  MotorDbNoAddress = 5437,         // "%1" = line number
  MotorDbReadOnlyQuestion = 5438,  // "%1" = the entries, one a line
  MotorDbKeptCount = 5439,         // "%1" = values, "%2" = addresses
  MotorDbUnlistedCount = 5440,     // "%1" = values, "%2" = addresses

  // The command-line program: help texts, its own messages, data labels
  CliAbout = 5000,
  CliExitCodes = 5001,  // help footer: the exit code table
  CliOptPort = 5002,
  CliOptBaud = 5003,
  CliOptJson = 5004,
  CliOptYes = 5005,
  CliOptRetries = 5006,
  CliOptInteractive = 5007,
  CliOptLang = 5008,
  CliOptVersion = 5009,
  CliOptHelp = 5010,
  CliOptHelpAll = 5011,
  CliOptPortsFile = 5012,
  CliOptDiffAll = 5013,
  CliCmdPorts = 5014,
  CliCmdInfo = 5015,
  CliCmdGet = 5016,
  CliCmdSet = 5017,
  CliCmdSave = 5018,
  CliCmdLoad = 5019,
  CliCmdDiff = 5020,
  CliCmdMotorDb = 5021,
  CliCmdMotorDbImport = 5022,
  CliCmdMotorDbExport = 5023,
  CliArgAddresses = 5024,
  CliArgAssignments = 5025,
  CliArgFile = 5026,
  CliLabelUsage = 5027,  // the help's own headings
  CliLabelOptions = 5028,
  CliLabelSubcommands = 5029,
  CliLabelRequired = 5030,
  CliLabelExcludes = 5031,
  CliLabelArguments = 5055,
  CliVersionLine = 5032,  // "%1" = program, "%2" = version
  CliUsageError = 5033,   // "%1" = what the parser said
  CliBadPortList = 5034,  // "%1" = the text given
  CliNeedsPort = 5035,    // "%1" = subcommand
  CliNoPortsListed = 5036,
  CliInteractiveOnePort = 5037,
  CliBadAssignment = 5038,     // "%1" = the text given
  CliBadAddress = 5039,        // "%1" = the text given
  CliBadValue = 5040,          // "%1" = value text, "%2" = reference
  CliQuestionDeclined = 5041,  // "%1" = the question
  CliRetriesUsed = 5042,       // "%1" = retries allowed, "%2" = the question
  CliNoAnswer = 5043,          // "%1" = the question
  CliAnswerPrompt = 5044,      // "%1" = numbered choices
  CliCancelled = 5045,
  CliCancelPending = 5046,
  CliSummaryDone = 5047,    // "%1" = port
  CliSummaryFailed = 5048,  // "%1" = port, "%2" = exit code, "%3" = reason
  CliInfoVersion = 5049,
  CliInfoModel = 5050,
  CliInfoDescription = 5051,
  CliDiffHeader = 5052,      // column titles, tab-separated
  CliSummaryDiffers = 5053,  // "%1" = port

  // Inputs refused where they enter: ports, descriptions, motor DB files, settings,
  // arguments and file replacement
  DoctorNotSerial = 4860,
  DoctorAdviceNotSerial = 4861,          // "%1" = COM number, "%2" = device, "%3" = ports file
  DoctorAdvicePortsFileUnusable = 4862,  // "%1" = why (one of the three below), "%2" = ports file
  DoctorPortsFileFolder = 4863,
  DoctorPortsFileNotFile = 4864,
  DoctorPortsFileTooBig = 4865,
  MotorDbNotCommand = 3063,          // our own: "%1!d!" = line, "%2" = the line as written
  MotorDbTooBig = 3064,              // our own: "%1" = largest size taken, in KiB
  MotorDbNotSaved = 3065,            // our own
  FolderTakesNoNewFiles = 3066,      // our own: "%1" = folder
  MotorDbPartialImportSaved = 5130,  // "%1" = line reached, "%2" = lines, "%3" = line saved up to
  // What a description file describes wrongly; "%1" = line, then:
  DescFieldOutside32 = 5310,  // "%2" = bit offset, "%3" = address, "%4" = size
  DescFieldsOverlap = 5311,   // "%2" = bit offset, "%3" = address, "%4" = line of the other sub-field
  DescAddressTwice = 5312,    // "%2" = address, "%3" = line of the first
  DescNumberTooBig = 5313,    // "%2" = attribute, "%3" = its text, "%4" = parameter reference
  DescMinAboveMax = 5314,     // "%2" = min, "%3" = parameter reference, "%4" = max
  DescViewBadRef = 5315,      // "%2" = the reference as written
  DescViewEmpty = 5316,
  DescNotANumber = 5520,     // "%2" = the number as written (min="abc", <value>abc</value>)
  DescNumberOutside = 5521,  // "%2" = the number as written, "%3" and "%4" = what the field holds
  CliBadBaud = 5070,         // "%1" = the text given
  ConfigBaudRefused = 5071,  // "%1" = the stored text, "%2" = the rate used
  CliInteractiveNeedsTerminal = 5072,
  CliEmptyFile = 5073,

  // Files of another drive model, entry names of a parameter file, port names of a run (5470-5499)
  OtherDriveModel = 5470,      // the refusal's first line; VersionsShown follows
  VersionsShown = 5471,        // "%1" = the drive's version, "%2" = the file's
  DpfNotEntryName = 5472,      // "%1" = section
  DpfBadNested = 5473,         // "%1" = section, "%2" = the value
  CliSameFileName = 5474,      // "%1" = one port, "%2" = the other, "%3" = the file name
  CliTooManyAddresses = 5475,  // "%1" = COM numbers free for addresses

  // Messages that say what happened and what to do: the echo at another baud rate,
  // addresses, servers that are no RFC 2217 servers, files that cannot be read or
  // written and why, the window's --help; help examples (5600-5649)
  EchoUnreadable = 5600,       // bytes came back, none of them the echo
  CliBadNetAddress = 5601,     // "%1" = the text given
  NetEchoNotRfc2217 = 5603,    // "%1" = the server's address
  DoctorNetNotRfc2217 = 5604,  // status: the server floods option requests
  DoctorAdviceNetNotRfc2217 = 5605,
  WriteNoSpace = 5606,        // the reason a file was not written
  WriteFailedBecause = 5607,  // "%1" = the system's words
  FileFaultMissing = 5608,    // the reasons a file was not read
  FileFaultNotAFile = 5609,
  FileFaultTooBig = 5610,  // "%1" = the size limit
  FileFaultTooManyOpen = 5611,
  DoctorAdviceFailedWindows = 5612,
  WindowUsage = 5613,         // "%1" = the program's name
  CliHelpNeeds = 5614,        // heading of a subcommand's options of the program
  CliHelpExample = 5615,      // "%1" = one example command
  CliHelpEveryOption = 5616,  // "%1" = the program's name
  NetNotesHeading = 5617,
  GateHeldOtherWhole =
      5620,  // "%1" = value asked, "%2" = address, "%3" = whole written, "%4" = held, "%5" = what differs
  GateFieldDiffers = 5621,      // "%1" = sub-field, "%2" = value held, "%3" = value written
  GateBitsDiffer = 5622,        // "%1" = bits no sub-field describes
  GateStoppedBeforeAny = 5623,  // "%1" = entries planned
  DpfStoppedBeforeAny = 5624,   // "%1" = entries of the file
  MotorDbDriveNotSaved = 5625,  // the drive parameters' verify or save failed, the motor's went
  MotorDbMotorNotSaved = 5626,  // the reverse
  GateRaiseFromOrigin = 5627,   // "%1" = entry ("PARAM3", "line 5"), "%2" = sub-field, "%3" = now, "%4" = asked
  // What the status bar says while a long flow runs, and how a flow stopped by
  // Cancel ends (5560-5599)
  FlowReadingParams = 5560,
  FlowSavingFile = 5561,
  FlowLoadingFile = 5562,
  FlowComparing = 5563,
  FlowLoadingDiffering = 5564,
  FlowExporting = 5565,
  FlowImporting = 5566,
  ComparePartial = 5567,  // "%1" = entries compared before Cancel
  // The rows: a drive value the list does not offer, and a save of such values (5500-5519)
  RowValueOutside = 5500,   // "%1" = value, "%2" = lowest, "%3" = highest
  RowValueUnlisted = 5501,  // "%1" = value
  DpfSavedOutside = 5502,   // "%1" = the entries, one a line
  // The search for drives: which port, which baud rate
  ScanFindDrive = 5700,  // the connect dialog's button
  ScanCaption = 5701,
  ScanColPort = 5702,
  ScanColBaud = 5703,
  ScanColVersion = 5704,
  ScanColModel = 5705,
  ScanColReply = 5706,
  ScanColResult = 5707,
  ScanTrying = 5708,  // "%1" = baud rate
  ScanFound = 5709,
  ScanSilent = 5710,
  ScanNoEcho = 5711,  // "%1" = rates that drew bytes, "%2" = rates tried
  ScanLost = 5712,
  ScanCancelled = 5713,
  ScanServerRate = 5714,
  ScanReplyMs = 5715,          // "%1" = milliseconds
  ScanStatusSearching = 5716,  // "%1" = ports
  ScanStatusFound = 5717,      // "%1" = drives found, "%2" = ports
  ScanStatusNone = 5718,       // "%1" = ports
  ScanStatusCancelled = 5719,  // "%1" = drives found, "%2" = ports
  ScanUse = 5720,
  ScanNoVersion = 5721,
  ScanNoPorts = 5722,
  ScanPick = 5723,
  ScanClose = 5724,
  CliCmdScan = 5730,
  CliOptBauds = 5731,
  CliBadBaudList = 5732,  // "%1" = the text given
  CliInfoTryScan = 5733,  // "%1" = port
  // The whole-drive table (5800-5899)
  CmdAllParams = 5800,  // command: prompt and tooltip
  MenuAllParams = 5801,
  AllParamsCaption = 5802,
  AllParamsColParam = 5803,
  AllParamsColName = 5804,
  AllParamsColValue = 5805,
  AllParamsColUnit = 5806,
  AllParamsColLimits = 5807,
  AllParamsColReadOnly = 5808,
  AllParamsColFile = 5809,
  AllParamsSearch = 5810,
  AllParamsSearchHint = 5811,
  AllParamsDifferingOnly = 5812,
  AllParamsReadAll = 5813,
  AllParamsSaveAll = 5814,
  AllParamsEdit = 5815,
  AllParamsOtherCategory = 5816,
  AllParamsOutside = 5817,  // "%1" = value, "%2" = limits
  AllParamsOffList = 5818,  // "%1" = value
  AllParamsReadOnlyMark = 5819,
  AllParamsReading = 5820,      // "%1" = parameter, "%2" = position, "%3" = count
  AllParamsReadEnd = 5821,      // "%1" = read, "%2" = count
  AllParamsNotReadList = 5822,  // "%1" = parameters
  AllParamsOutsideList = 5823,  // "%1" = parameters
  AllParamsEditCaption = 5824,  // "%1" = parameter
  AllParamsEditValue = 5825,    // "%1" = name
  AllParamsShownCount = 5826,   // "%1" = rows shown, "%2" = parameters
  CliCmdParams = 5827,
  CliOptGetAll = 5828,
  CliOptSaveAll = 5829,
  CliOptParamsVersion = 5830,
  CliParamsHeader = 5831,  // column titles, tab-separated
  CliGetNeedsAddress = 5832,
  CliGetAllWithAddress = 5833,
  // Parameter files without a drive.
  CmdDeskNew = 6100,  // command: prompt and tooltip
  CmdDeskOpen = 6101,
  CmdDeskSave = 6102,
  CmdDeskSaveAs = 6103,
  CmdDeskCompare = 6104,
  MenuDeskNew = 6105,
  MenuDeskOpen = 6106,
  MenuDeskSave = 6107,
  MenuDeskSaveAs = 6108,
  MenuDeskCompare = 6109,
  DeskTitle = 6110,  // "%1" = file name, "%2" = drive version
  DeskUntitled = 6111,
  DeskUndescribedBits = 6112,  // "%1" = entry, "%2" = bits, "%3" = parameter
  DeskNoModel = 6113,          // "%1" = version
  DeskGuardedMark = 6114,      // "%1" = the question a write would ask
  DeskUnsavedConnect = 6115,   // "%1" = file name
  DeskCheckClean = 6116,       // "%1" = entries
  DeskCheckFaults = 6117,      // "%1" = faults, "%2" = warnings
  DeskWarning = 6118,          // "%1" = warning
  DeskSaveUnread = 6119,       // "%1" = file name
  DeskTwoModels = 6120,        // "%1", "%2" = versions
  DeskAbsent = 6121,
  DeskWarningsOnly = 6122,  // "%1" = warnings
  DeskChooseModel = 6123,
  DeskCompareLine = 6124,  // "%1", "%2" = file names
  DeskFileSaved = 6125,    // "%1" = path
  DeskOpenFaults = 6126,   // "%1" = the faults
  CliCmdFile = 6130,
  CliCmdFileShow = 6131,
  CliCmdFileCheck = 6132,
  CliCmdFileSet = 6133,
  CliCmdFileNew = 6134,
  CliCmdFileDiff = 6135,
  CliOptFileOut = 6136,
  CliOptFileVersion = 6137,
  CliFileShowHeader = 6138,  // column titles, tab-separated
  CliFileDiffHeader = 6139,  // column titles, tab-separated
  CliArgFile2 = 6140,
  CliFileExists = 6141,   // "%1" = path
  CliFileSetDone = 6142,  // "%1" = values, "%2" = path

  // The drive's state, live (6000-6099)
  CmdStatusView = 6000,  // command: prompt and tooltip
  MenuStatusView = 6001,
  LiveCaption = 6002,
  LiveRateLabel = 6003,
  LiveRateItem = 6004,  // "%1" = samples a second
  LiveRecordStart = 6005,
  LiveRecordStop = 6006,
  LiveRate = 6007,  // "%1" = reached, "%2" = asked, "%3" = line share in percent
  LivePaused = 6008,
  LiveNotPolling = 6009,
  LiveStopped = 6010,        // "%1" = why
  LiveRecordingTo = 6011,    // "%1" = file
  LiveRecordStopped = 6012,  // "%1" = why, "%2" = file
  LiveRecordWriteFailed = 6013,
  LiveRecordFailed = 6014,  // "%1" = file
  LiveCsvFilter = 6015,
  LiveOtherDescription = 6016,
  LivePlotEmpty = 6017,
  LivePlotTitle = 6018,
  CliCmdWatch = 6019,
  CliOptInterval = 6020,
  CliOptCount = 6021,
  CliOptDuration = 6022,
  CliOptCsv = 6023,
  CliArgWatchAddresses = 6024,
  CliWatchNothing = 6025,

  // The journal of writes, snapshots, undo and the History window.
  CmdHistory = 5900,
  MenuHistory = 5901,
  JournalNoFolder = 5902,
  JournalNotKept = 5903,
  JournalSnapshotNotWritten = 5904,
  JournalSnapshotNotRead = 5905,
  JournalSnapshotQuestion = 5906,
  JournalUndoOtherDrive = 5907,
  JournalUndoChangedSince = 5908,
  JournalChangedLine = 5909,
  JournalUndoNothing = 5910,
  JournalUndoNoSnapshot = 5911,
  JournalNoRecord = 5912,
  JournalNoRecordOfPort = 5913,
  CliCmdJournal = 5914,
  CliCmdUndo = 5915,
  CliCmdSnapshots = 5916,
  CliOptSince = 5917,
  CliArgRecordId = 5918,
  CliBadSince = 5919,
  JournalSnapshotFailed = 5920,
  HistoryCaption = 5921,
  HistoryPort = 5922,
  HistoryVersion = 5923,
  HistoryAny = 5924,
  HistoryColTime = 5925,
  HistoryColAction = 5926,
  HistoryColOutcome = 5927,
  HistoryEntries = 5928,
  HistoryUndo = 5929,
  HistoryRestore = 5930,
  HistoryClose = 5931,
  HistoryEntryLine = 5932,
  HistoryFlash = 5933,
  HistoryNotFlash = 5934,
  HistoryUnknown = 5935,
  HistorySnapshotLine = 5936,
  HistoryFileLine = 5937,
  HistoryWhoLine = 5938,
  HistoryNeedsDrive = 5939,
  JournalNoFolderAt = 5940,
};
}  // namespace ids
