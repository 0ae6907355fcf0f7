#!/usr/bin/env perl
# Merges data-coupling result files (*.tio, *.fdc) into one HTML report.
#
#   perl mergedataco.pl [-silent] FILE... -report="NAME"
#                       [-dcp_template="TEMPLATE"] [-entrypoints=LIST]
#
# The values of -report and -dcp_template may be enclosed in double quotes,
# which are taken off. Every other argument is an input file. The report,
# written to NAME, lists each input file with its content. Progress goes to
# standard output unless -silent is given, problems to standard error.
# Exit status: 0 when every input was read and the report written, 1 when an
# input could not be read (the report lists it as such) or the report could
# not be written, 2 for a usage error.
use strict;
use warnings;
use Encode qw(decode encode);
use Fcntl qw(O_CREAT O_EXCL O_WRONLY);

my $me = 'mergedataco.pl';
$| = 1;

sub unquote {
    my ($value) = @_;
    return $value =~ /\A"(.*)"\z/s ? $1 : $value;
}

# Arguments and file contents are UTF-8 bytes; the report shows them as text.
sub escape {
    my ($text) = @_;
    $text = decode('UTF-8', $text) unless utf8::is_utf8($text);
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/"/&quot;/g;
    $text =~ s/'/&#39;/g;
    # Control characters have no place in an HTML document.
    $text =~ s/[\x00-\x08\x0B\x0C\x0E-\x1F\x7F]/\x{FFFD}/g;
    return $text;
}

# Creates a file beside `$report` that did not exist before, with the
# permissions a plain open would give; returns its handle and name, or
# nothing with the reason in $!.
sub create_partial {
    my ($report) = @_;
    my @letters = ('A' .. 'Z', 'a' .. 'z', '0' .. '9');
    for (1 .. 100) {
        my $name = "$report.partial" . join('', map { $letters[rand @letters] } 1 .. 10);
        my $handle;
        if (sysopen($handle, $name, O_WRONLY | O_CREAT | O_EXCL, 0666)) {
            binmode $handle;
            return ($handle, $name);
        }
        return unless $!{EEXIST};
    }
    return;
}

my ($silent, $report, $template, $entrypoints) = (0);
my @inputs;
for my $arg (@ARGV) {
    if ($arg eq '-silent') {
        $silent = 1;
    } elsif ($arg =~ /\A-report=(.*)\z/s) {
        $report = unquote($1);
    } elsif ($arg =~ /\A-dcp_template=(.*)\z/s) {
        $template = unquote($1);
    } elsif ($arg =~ /\A-entrypoints=(.*)\z/s) {
        $entrypoints = $1;
    } else {
        push @inputs, $arg;
    }
}
if (!defined $report || $report eq '') {
    print STDERR "$me: no report named (-report=\"NAME\")\n";
    exit 2;
}

my $failed = 0;
my @sections;
for my $file (@inputs) {
    print "$me: reading $file\n" unless $silent;
    my $bytes;
    if (open(my $in, '<:raw', $file)) {
        local $/;
        $bytes = <$in>;
        $bytes = '' unless defined $bytes;
        close $in;
    }
    if (!defined $bytes || -d $file) {
        my $reason = -d $file ? 'it is a directory' : "$!";
        print STDERR "$me: cannot read $file: $reason\n";
        $failed = 1;
        push @sections, [$file, undef, $reason];
        next;
    }
    push @sections, [$file, $bytes];
}

my $html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"UTF-8\"/>\n"
    . "<title>Data coupling report</title>\n</head>\n<body>\n<h1>Data coupling report</h1>\n";
$html .= '<p>Template: ' . escape($template) . "</p>\n" if defined $template;
$html .= '<p>Entry points: ' . escape($entrypoints) . "</p>\n" if defined $entrypoints;
if (!@sections) {
    $html .= "<p>No input files.</p>\n";
} else {
    $html .= "<ul>\n";
    for my $i (0 .. $#sections) {
        $html .= '<li><a href="#file' . ($i + 1) . '">' . escape($sections[$i][0]) . "</a></li>\n";
    }
    $html .= "</ul>\n";
    for my $i (0 .. $#sections) {
        my ($file, $content, $reason) = @{$sections[$i]};
        $html .= '<h2 id="file' . ($i + 1) . '">' . escape($file) . "</h2>\n";
        if (defined $content) {
            $html .= '<pre>' . escape($content) . "</pre>\n";
        } else {
            $html .= '<p class="unreadable">Could not be read: ' . escape($reason) . "</p>\n";
        }
    }
}
$html .= "</body>\n</html>\n";

# Written beside the report and renamed, so a report is complete or absent.
# The temporary is a new file of a name no one can foresee: one that is
# there already (left by an earlier run, or a link planted to have another
# file overwritten) is passed over for a fresh name. The handle is raw and
# the text encoded here: through an encoding layer a failed write still
# looks like a success. A write past the file size limit fails with an
# error instead of ending the script.
$SIG{XFSZ} = 'IGNORE';
my ($out, $partial) = create_partial($report);
my $reason;
if ($out) {
    print $out encode('UTF-8', $html) or $reason = "$!";
    # Close writes what is still buffered; after a failed print it fails too.
    close $out or $reason //= "$!";
    if (!defined $reason && !rename($partial, $report)) {
        $reason = "$!";
    }
    unlink $partial if defined $reason;
} else {
    $reason = "$!";
}
if (defined $reason) {
    print STDERR "$me: cannot write $report: $reason\n";
    exit 1;
}
my $count = @sections;
print "$me: wrote $report ($count file" . ($count == 1 ? '' : 's') . ")\n" unless $silent;
exit $failed;
