// Control identifiers of the about window.
#pragma once

#define IDD_ABOUT 2000
#define IDC_ABT_TOP 2001
#define IDC_ABT_ICON 2002
#define IDC_ABT_VERSION 2010
#define IDC_ABT_VERSION_NUMBER 2011
#define IDC_ABT_BUILD 2012
#define IDC_ABT_BUILD_NUMBER 2013
#define IDC_ABT_COPYRIGHT 2014
#define IDC_ABT_TRADEMARK 2015
#define IDC_ABT_LICENSE 2020
