<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>CreatedTransferView</name>
    <message>
        <source>Transfer sent</source>
        <translation>Übertragung gesendet</translation>
    </message>
    <message>
        <source>Link created and copied</source>
        <translation>Link erstellt und kopiert</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Copy link</source>
        <translation>Link kopieren</translation>
    </message>
</context>
<context>
    <name>DropZone</name>
    <message>
        <source>Drop files here</source>
        <translation>Dateien hier ablegen</translation>
    </message>
    <message>
        <source>or click to browse</source>
        <translation>oder klicken, um sie auszuwählen</translation>
    </message>
    <message>
        <source>Files up to 100 GB. Uploads resume automatically if the connection drops.</source>
        <translation>Dateien bis 100 GB. Uploads laufen nach einem Verbindungsabbruch von selbst weiter.</translation>
    </message>
</context>
<context>
    <name>LoadingView</name>
    <message>
        <source>Try again</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>NoticeView</name>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>Parcella</name>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message>
        <source>Expired</source>
        <translation>Abgelaufen</translation>
    </message>
    <message numerus="yes">
        <source>%n downloads</source>
        <translation>
            <numerusform>%n Download</numerusform>
            <numerusform>%n Downloads</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n views</source>
        <translation>
            <numerusform>%n Aufruf</numerusform>
            <numerusform>%n Aufrufe</numerusform>
        </translation>
    </message>
    <message>
        <source>until %1</source>
        <translation>bis %1</translation>
    </message>
    <message>
        <source>Waiting · </source>
        <translation>Wartet · </translation>
    </message>
    <message>
        <source> of </source>
        <translation> von </translation>
    </message>
    <message>
        <source>Expired after 7 days without being sent. Remove it and add it again.</source>
        <translation>Nach 7 Tagen ohne Versand abgelaufen. Entferne sie und füge sie erneut hinzu.</translation>
    </message>
    <message>
        <source>Uploaded · </source>
        <translation>Hochgeladen · </translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>Zero kB</source>
        <translation>Null kB</translation>
    </message>
    <message>
        <source>First download</source>
        <translation>Erster Download</translation>
    </message>
    <message>
        <source>«%1» was downloaded.</source>
        <translation>„%1“ wurde heruntergeladen.</translation>
    </message>
    <message>
        <source>Apps and other bundles can’t be sent as they are. Compress them first.</source>
        <translation>Apps und andere Pakete können nicht direkt gesendet werden. Komprimiere sie zuerst.</translation>
    </message>
    <message>
        <source>This transfer can’t be kept if the app quits before the uploads finish.</source>
        <translation>Diese Übertragung geht verloren, wenn die App vor dem Ende der Uploads beendet wird.</translation>
    </message>
    <message>
        <source>«%1» expired before it was sent. Add it again.</source>
        <translation>„%1“ ist vor dem Senden abgelaufen. Füge sie erneut hinzu.</translation>
    </message>
    <message>
        <source>Link copied</source>
        <translation>Link kopiert</translation>
    </message>
    <message>
        <source>Transfer sent</source>
        <translation>Übertragung gesendet</translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Email code</source>
        <translation>E-Mail-Code</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Ohne</translation>
    </message>
    <message>
        <source>Add at least one recipient.</source>
        <translation>Füge mindestens einen Empfänger hinzu.</translation>
    </message>
    <message>
        <source>The password needs at least 4 characters.</source>
        <translation>Das Passwort braucht mindestens 4 Zeichen.</translation>
    </message>
    <message>
        <source>Add who can ask for a code.</source>
        <translation>Gib an, wer einen Code anfordern darf.</translation>
    </message>
    <message>
        <source>The update server answered with status %1.</source>
        <translation>Der Update-Server hat mit Status %1 geantwortet.</translation>
    </message>
    <message>
        <source>This copy of Parcella has no update feed.</source>
        <translation>Diese Parcella-Installation hat keinen Update-Feed.</translation>
    </message>
    <message>
        <source>The update to version %1 is too large.</source>
        <translation>Das Update auf Version %1 ist zu groß.</translation>
    </message>
    <message>
        <source>The update to version %1 could not be downloaded: %2</source>
        <translation>Das Update auf Version %1 konnte nicht heruntergeladen werden: %2</translation>
    </message>
    <message>
        <source>The download of version %1 has the wrong length.</source>
        <translation>Der Download von Version %1 hat die falsche Länge.</translation>
    </message>
    <message>
        <source>The update to version %1 is not signed by Parcella and was refused.</source>
        <translation>Das Update auf Version %1 ist nicht von Parcella signiert und wurde abgelehnt.</translation>
    </message>
    <message>
        <source>Parcella is up to date.</source>
        <translation>Parcella ist auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Version %1 is ready to install on quit.</source>
        <translation>Version %1 wird beim Beenden installiert.</translation>
    </message>
    <message>
        <source>Version %1 is available. Updates come from the package manager.</source>
        <translation>Version %1 ist verfügbar. Updates kommen über die Paketverwaltung.</translation>
    </message>
    <message>
        <source>Version %1 is available.</source>
        <translation>Version %1 ist verfügbar.</translation>
    </message>
    <message>
        <source>Downloading version %1…</source>
        <translation>Version %1 wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Installing version %1…</source>
        <translation>Version %1 wird installiert …</translation>
    </message>
    <message>
        <source>Version %1 is installed.</source>
        <translation>Version %1 ist installiert.</translation>
    </message>
    <message>
        <source>The folder %1 cannot be created.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Version %1 is already installed.</source>
        <translation>Version %1 ist bereits installiert.</translation>
    </message>
    <message>
        <source>The update cannot be unpacked: %1</source>
        <translation>Das Update kann nicht entpackt werden: %1</translation>
    </message>
    <message>
        <source>The update holds no program to start.</source>
        <translation>Das Update enthält kein startbares Programm.</translation>
    </message>
    <message>
        <source>The folder %1 cannot be replaced.</source>
        <translation>Der Ordner %1 kann nicht ersetzt werden.</translation>
    </message>
    <message>
        <source>The update cannot be moved to %1.</source>
        <translation>Das Update kann nicht nach %1 verschoben werden.</translation>
    </message>
    <message>
        <source>The update cannot be unpacked: no tar program was found.</source>
        <translation>Das Update kann nicht entpackt werden: Es wurde kein tar-Programm gefunden.</translation>
    </message>
    <message>
        <source>The link to the new version cannot be made: %1</source>
        <translation>Die Verknüpfung zur neuen Version kann nicht angelegt werden: %1</translation>
    </message>
    <message>
        <source>parcella: unknown option %1
Usage: parcella [FILE|URL]... | parcella --send FILE... | parcella --autostart | parcella --install-file-manager-actions</source>
        <translation>parcella: unbekannte Option %1
Aufruf: parcella [DATEI|URL]... | parcella --send DATEI... | parcella --autostart | parcella --install-file-manager-actions</translation>
    </message>
    <message>
        <source>parcella: No sign-in is waiting for this address.</source>
        <translation>parcella: Keine Anmeldung wartet auf diese Adresse.</translation>
    </message>
    <message>
        <source>parcella: The files could not be handed over: %1</source>
        <translation>parcella: Die Dateien konnten nicht übergeben werden: %1</translation>
    </message>
    <message>
        <source>parcella: The running Parcella does not answer.</source>
        <translation>parcella: Das laufende Parcella antwortet nicht.</translation>
    </message>
    <message>
        <source>Open this address to sign in:

  %1

</source>
        <translation>Öffne diese Adresse, um dich anzumelden:

  %1

</translation>
    </message>
    <message>
        <source>Waiting for the browser. You can also paste the address the browser was sent to and press Enter.
</source>
        <translation>Warte auf den Browser. Du kannst auch die Adresse einfügen, zu der der Browser weitergeleitet wurde, und die Eingabetaste drücken.
</translation>
    </message>
    <message>
        <source>Signed in.
</source>
        <translation>Angemeldet.
</translation>
    </message>
    <message>
        <source>Not signed in.
</source>
        <translation>Nicht angemeldet.
</translation>
    </message>
    <message>
        <source>Signed out.
</source>
        <translation>Abgemeldet.
</translation>
    </message>
    <message>
        <source>parcella-cli: No sign-in is waiting for this address.
</source>
        <translation>parcella-cli: Keine Anmeldung wartet auf diese Adresse.
</translation>
    </message>
    <message>
        <source>%1 (from %2)</source>
        <translation>%1 (aus %2)</translation>
    </message>
    <message>
        <source>%1 needs a value.</source>
        <translation>%1 braucht einen Wert.</translation>
    </message>
    <message>
        <source>--expires needs a number of days.</source>
        <translation>--expires braucht eine Anzahl Tage.</translation>
    </message>
    <message>
        <source>--part-size needs a number of bytes.</source>
        <translation>--part-size braucht eine Anzahl Bytes.</translation>
    </message>
    <message>
        <source>--max-retries needs a number.</source>
        <translation>--max-retries braucht eine Zahl.</translation>
    </message>
    <message>
        <source>--retry-delays needs seconds separated by commas.</source>
        <translation>--retry-delays braucht durch Kommas getrennte Sekunden.</translation>
    </message>
    <message>
        <source>Unknown option %1.</source>
        <translation>Unbekannte Option %1.</translation>
    </message>
    <message>
        <source>Unknown command %1.</source>
        <translation>Unbekannter Befehl %1.</translation>
    </message>
    <message>
        <source>Unexpected argument %1.</source>
        <translation>Unerwartetes Argument %1.</translation>
    </message>
    <message>
        <source>transfers takes delete ID or expire ID DAYS, not %1.</source>
        <translation>transfers erwartet delete ID oder expire ID TAGE, nicht %1.</translation>
    </message>
    <message>
        <source>transfers expire needs a number of days, not %1.</source>
        <translation>transfers expire braucht eine Anzahl Tage, nicht %1.</translation>
    </message>
    <message>
        <source>send needs at least one file or folder.</source>
        <translation>send braucht mindestens eine Datei oder einen Ordner.</translation>
    </message>
    <message>
        <source>open-url needs the callback URL.</source>
        <translation>open-url braucht die Rückruf-URL.</translation>
    </message>
    <message>
        <source>transfers %1 needs the transfer&apos;s ID.</source>
        <translation>transfers %1 braucht die ID der Übertragung.</translation>
    </message>
    <message>
        <source>transfers expire needs the ID and a number of days.</source>
        <translation>transfers expire braucht die ID und eine Anzahl Tage.</translation>
    </message>
    <message>
        <source>--json is for send and the transfers list.</source>
        <translation>--json gilt nur für send und die Liste der Übertragungen.</translation>
    </message>
    <message>
        <source>No keyring answers (%1). parcella-cli keeps sign-ins only in a Secret Service keyring (gnome-keyring, KWallet or KeePassXC), never in a plain file: start one in this session, for example “gnome-keyring-daemon --start --components=secrets”, and try again.</source>
        <translation>Kein Schlüsselbund antwortet (%1). parcella-cli speichert Anmeldungen nur in einem Secret-Service-Schlüsselbund (gnome-keyring, KWallet oder KeePassXC), nie in einer einfachen Datei: Starte einen in dieser Sitzung, zum Beispiel mit „gnome-keyring-daemon --start --components=secrets“, und versuche es erneut.</translation>
    </message>
    <message>
        <source>The service is the hosted one unless --service URL or the PARCELLA_SERVICE_URL variable
names another (plain http only for this computer). Sign-ins are kept in the Secret Service
keyring (gnome-keyring, KWallet, KeePassXC), one per service.
</source>
        <translation>Verwendet wird der gehostete Dienst, außer --service URL oder die Variable
PARCELLA_SERVICE_URL nennt einen anderen (einfaches http nur für diesen Computer).
Anmeldungen liegen im Secret-Service-Schlüsselbund (gnome-keyring, KWallet,
KeePassXC), eine pro Dienst.
</translation>
    </message>
    <message>
        <source>Exit status:
  %1    success
  %2    any other failure (the network, the keyring)
  %3    wrong arguments, or a form or file the send rules refuse
  %4    not signed in, or the service ended the session
  %5    a file could not be uploaded
  %6    the service refused the request
  %7    no keyring (Secret Service) answers
  %8  interrupted (Ctrl-C); the next send resumes the uploads
</source>
        <translation>Rückgabewert:
  %1    Erfolg
  %2    jeder andere Fehler (Netzwerk, Schlüsselbund)
  %3    falsche Argumente, oder ein Formular oder eine Datei, die die Senderegeln ablehnen
  %4    nicht angemeldet, oder der Dienst hat die Sitzung beendet
  %5    eine Datei konnte nicht hochgeladen werden
  %6    der Dienst hat die Anfrage abgelehnt
  %7    kein Schlüsselbund (Secret Service) antwortet
  %8  unterbrochen (Strg-C); das nächste send setzt die Uploads fort
</translation>
    </message>
    <message>
        <source>Usage: parcella-cli [--service URL] [--workspace ID] COMMAND
       parcella-cli help COMMAND | COMMAND --help | --version

Commands:
  login [--no-browser]        sign in through the browser
  logout                      sign out and forget the tokens
  send FILE|FOLDER... [options]
                              upload and create a transfer; prints its link
  transfers [--json]          recent transfers of the workspace
  transfers delete ID         delete a transfer
  transfers expire ID DAYS    let a transfer expire DAYS days from now
  open-url URL                hand a parcella: callback to a waiting login

</source>
        <translation>Aufruf: parcella-cli [--service URL] [--workspace ID] BEFEHL
        parcella-cli help BEFEHL | BEFEHL --help | --version

Befehle:
  login [--no-browser]        über den Browser anmelden
  logout                      abmelden und die Tokens vergessen
  send DATEI|ORDNER... [Optionen]
                              hochladen und eine Übertragung anlegen; gibt ihren Link aus
  transfers [--json]          letzte Übertragungen des Arbeitsbereichs
  transfers delete ID         eine Übertragung löschen
  transfers expire ID TAGE    eine Übertragung in TAGE Tagen ablaufen lassen
  open-url URL                einen parcella:-Rückruf an eine wartende Anmeldung geben

</translation>
    </message>
    <message>
        <source>Usage: parcella-cli login [--no-browser]

Opens the service&apos;s sign-in page in the browser and waits for it to come back. The
address is printed too: open it anywhere and paste the address the browser was sent
to. --no-browser only prints it and reads the answer from standard input.
</source>
        <translation>Aufruf: parcella-cli login [--no-browser]

Öffnet die Anmeldeseite des Dienstes im Browser und wartet auf die Rückkehr. Die
Adresse wird auch ausgegeben: Öffne sie irgendwo und füge die Adresse ein, zu der
der Browser weitergeleitet wurde. --no-browser gibt sie nur aus und liest die
Antwort von der Standardeingabe.
</translation>
    </message>
    <message>
        <source>Usage: parcella-cli logout

Signs out at the service and forgets the tokens of this service.
</source>
        <translation>Aufruf: parcella-cli logout

Meldet beim Dienst ab und vergisst die Tokens dieses Dienstes.
</translation>
    </message>
    <message>
        <source>Usage: parcella-cli transfers [--json]
       parcella-cli transfers delete ID
       parcella-cli transfers expire ID DAYS

Lists the recent transfers of the workspace (--json: as the service describes
them), deletes one, or lets one expire DAYS days from now.
</source>
        <translation>Aufruf: parcella-cli transfers [--json]
        parcella-cli transfers delete ID
        parcella-cli transfers expire ID TAGE

Listet die letzten Übertragungen des Arbeitsbereichs (--json: so, wie der Dienst
sie beschreibt), löscht eine oder lässt eine in TAGE Tagen ablaufen.
</translation>
    </message>
    <message>
        <source>Usage: parcella-cli open-url URL

Hands a parcella:// sign-in callback to the login that waits for it. The desktop
entry of the URL scheme runs this; there is no need to run it by hand.
</source>
        <translation>Aufruf: parcella-cli open-url URL

Gibt einen parcella://-Anmelderückruf an die Anmeldung, die darauf wartet. Der
Desktop-Eintrag des URL-Schemas ruft das auf; von Hand ist es nicht nötig.
</translation>
    </message>
    <message>
        <source>Interrupted. Run the same command again to resume the uploads.</source>
        <translation>Unterbrochen. Führe denselben Befehl erneut aus, um die Uploads fortzusetzen.</translation>
    </message>
    <message>
        <source>An upload was cancelled or removed.</source>
        <translation>Ein Upload wurde abgebrochen oder entfernt.</translation>
    </message>
    <message>
        <source> Run “parcella-cli login” first.</source>
        <translation> Führe zuerst „parcella-cli login“ aus.</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>parcella-cli: %1
Run “parcella-cli help” for the usage.
</source>
        <translation>parcella-cli: %1
Die Bedienung zeigt „parcella-cli help“.
</translation>
    </message>
    <message>
        <source>%1  %2  done</source>
        <translation>%1  %2  fertig</translation>
    </message>
    <message>
        <source>%1  failed: %2</source>
        <translation>%1  fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>%1  cancelled</source>
        <translation>%1  abgebrochen</translation>
    </message>
    <message>
        <source>%1  %2  waiting</source>
        <translation>%1  %2  wartet</translation>
    </message>
    <message>
        <source>%1  %2 of %3 (%4 %)</source>
        <translation>%1  %2 von %3 (%4 %)</translation>
    </message>
    <message>
        <source>You are not signed in. Run “parcella-cli login” first.</source>
        <translation>Du bist nicht angemeldet. Führe zuerst „parcella-cli login“ aus.</translation>
    </message>
    <message>
        <source>No such workspace.</source>
        <translation>Diesen Arbeitsbereich gibt es nicht.</translation>
    </message>
    <message>
        <source>Transfer sent: %1
</source>
        <translation>Übertragung gesendet: %1
</translation>
    </message>
    <message>
        <source>%1: %2, so it cannot be opened or sent. Rename it to a UTF-8 name (convmv can do that) and send it again.</source>
        <translation>%1: %2, daher kann sie weder geöffnet noch gesendet werden. Gib ihr einen UTF-8-Namen (convmv kann das) und sende sie erneut.</translation>
    </message>
    <message>
        <source>%1: no such file or folder.</source>
        <translation>%1: Datei oder Ordner nicht vorhanden.</translation>
    </message>
    <message>
        <source>%1 is a named pipe, not a file; only regular files can be sent. Save what it carries to a file and send that.</source>
        <translation>%1 ist eine benannte Pipe, keine Datei; nur normale Dateien können gesendet werden. Speichere ihren Inhalt in einer Datei und sende diese.</translation>
    </message>
    <message>
        <source>%1 is not a regular file (a socket or a device); only regular files can be sent.</source>
        <translation>%1 ist keine normale Datei (ein Socket oder ein Gerät); nur normale Dateien können gesendet werden.</translation>
    </message>
    <message>
        <source>%1: %2, which the service does not accept. Rename the file and send it again.</source>
        <translation>%1: %2, das nimmt der Dienst nicht an. Benenne die Datei um und sende sie erneut.</translation>
    </message>
    <message numerus="yes">
        <source>%n hidden items</source>
        <translation>
            <numerusform>%n verstecktes Objekt</numerusform>
            <numerusform>%n versteckte Objekte</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n symbolic links</source>
        <translation>
            <numerusform>%n symbolischer Link</numerusform>
            <numerusform>%n symbolische Links</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n named pipes or other special files</source>
        <translation>
            <numerusform>%n benannte Pipe oder andere Sonderdatei</numerusform>
            <numerusform>%n benannte Pipes oder andere Sonderdateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files whose name is not UTF-8 or holds a line break (rename to send)</source>
        <translation>
            <numerusform>%n Datei, deren Name kein UTF-8 ist oder einen Zeilenumbruch enthält (zum Senden umbenennen)</numerusform>
            <numerusform>%n Dateien, deren Name kein UTF-8 ist oder einen Zeilenumbruch enthält (zum Senden umbenennen)</numerusform>
        </translation>
    </message>
    <message>
        <source>Left out of %1: %2.</source>
        <translation>Aus %1 ausgelassen: %2.</translation>
    </message>
    <message>
        <source>%1: no files to send.</source>
        <translation>%1: keine Dateien zum Senden.</translation>
    </message>
    <message>
        <source>Workspace %1 (%2)
</source>
        <translation>Arbeitsbereich %1 (%2)
</translation>
    </message>
    <message>
        <source>No transfers yet.
</source>
        <translation>Noch keine Übertragungen.
</translation>
    </message>
    <message>
        <source>parcella-cli: No such workspace.
</source>
        <translation>parcella-cli: Diesen Arbeitsbereich gibt es nicht.
</translation>
    </message>
    <message>
        <source>Deleted %1.
</source>
        <translation>%1 gelöscht.
</translation>
    </message>
    <message>
        <source>deleted</source>
        <translation>gelöscht</translation>
    </message>
    <message>
        <source>expired</source>
        <translation>abgelaufen</translation>
    </message>
    <message numerus="yes">
        <source>expires in %n days</source>
        <translation>
            <numerusform>läuft in %n Tag ab</numerusform>
            <numerusform>läuft in %n Tagen ab</numerusform>
        </translation>
    </message>
    <message>
        <source>No shared data folder.</source>
        <translation>Kein gemeinsamer Datenordner.</translation>
    </message>
    <message>
        <source>The folder %1 could not be created.</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Usage: parcella-cli send FILE|FOLDER... [options]

Uploads the files (folders with their files; hidden files, links and special files
are left out and counted), then creates the transfer and prints its link. An
interrupted send resumes when run again with the same files.

  --email ADDR       send the transfer to ADDR by e-mail (repeatable)
  --subject S        subject of the transfer
  --message M        message to the recipients
  --expires DAYS     days until the transfer expires (default 7)
  --password-stdin   protect it with a password read from standard input
  --email-code       protect it with a one-time code sent by e-mail to
  --allow ADDR       ... these addresses or @domains (repeatable)
  --json             print the created transfer as JSON, no progress
  --limit-rate RATE  upload at most RATE bytes per second, all files together;
                     K, M and G count in thousands as the progress line does
                     (10M is 10 MB/s, not curl&apos;s MiB/s); 0 is no limit
</source>
        <translation>Aufruf: parcella-cli send DATEI|ORDNER... [Optionen]

Lädt die Dateien hoch (Ordner mit ihren Dateien; versteckte Dateien, Links und
Sonderdateien werden ausgelassen und gezählt), legt dann die Übertragung an und
gibt ihren Link aus. Ein unterbrochenes send geht weiter, wenn es mit denselben
Dateien erneut läuft.

  --email ADR        die Übertragung per E-Mail an ADR senden (wiederholbar)
  --subject S        Betreff der Übertragung
  --message M        Nachricht an die Empfänger
  --expires TAGE     Tage bis zum Ablauf der Übertragung (Standard 7)
  --password-stdin   mit einem Passwort von der Standardeingabe schützen
  --email-code       mit einem Einmalcode schützen, per E-Mail gesendet an
  --allow ADR        ... diese Adressen oder @Domains (wiederholbar)
  --json             die angelegte Übertragung als JSON ausgeben, ohne Fortschritt
  --limit-rate RATE  höchstens RATE Bytes pro Sekunde hochladen, alle Dateien zusammen;
                     K, M und G zählen in Tausendern wie die Fortschrittszeile
                     (10M sind 10 MB/s, nicht die MiB/s von curl); 0 ist ohne Grenze
</translation>
    </message>
    <message>
        <source>Paused · </source>
        <translation>Angehalten · </translation>
    </message>
</context>
<context>
    <name>Parcella::FileChooser</name>
    <message>
        <source>Add files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
</context>
<context>
    <name>Parcella::Notifier</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
</context>
<context>
    <name>Parcella::PopoverPresenter</name>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
</context>
<context>
    <name>Parcella::SignInController</name>
    <message>
        <source>The browser could not be opened.</source>
        <translation>Der Browser konnte nicht geöffnet werden.</translation>
    </message>
</context>
<context>
    <name>Parcella::StatusItemController</name>
    <message>
        <source>Open Parcella</source>
        <translation>Parcella öffnen</translation>
    </message>
    <message>
        <source>Quit Parcella</source>
        <translation>Parcella beenden</translation>
    </message>
    <message>
        <source>Parcella keeps running</source>
        <translation>Parcella läuft weiter</translation>
    </message>
    <message>
        <source>Your files go on uploading. Start Parcella again to see them.</source>
        <translation>Deine Dateien werden weiter hochgeladen. Starte Parcella erneut, um sie zu sehen.</translation>
    </message>
    <message>
        <source>Resume all</source>
        <translation>Alle fortsetzen</translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation>Alle anhalten</translation>
    </message>
</context>
<context>
    <name>PendingSendView</name>
    <message>
        <source>Sent once the uploads finish</source>
        <translation>Wird gesendet, sobald die Uploads fertig sind</translation>
    </message>
    <message>
        <source>Link created once the uploads finish</source>
        <translation>Link wird erstellt, sobald die Uploads fertig sind</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
</context>
<context>
    <name>PopoverHeader</name>
    <message>
        <source>Workspace</source>
        <translation>Arbeitsbereich</translation>
    </message>
</context>
<context>
    <name>RecentTransfersView</name>
    <message>
        <source>Recent transfers</source>
        <translation>Letzte Übertragungen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>No transfers yet.</source>
        <translation>Noch keine Übertragungen.</translation>
    </message>
</context>
<context>
    <name>SendFormView</name>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Delivery</source>
        <translation>Versand</translation>
    </message>
    <message>
        <source>Get a link</source>
        <translation>Link erhalten</translation>
    </message>
    <message>
        <source>Send by email</source>
        <translation>Per E-Mail senden</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Shown on the download page</source>
        <translation>Wird auf der Downloadseite angezeigt</translation>
    </message>
    <message>
        <source>Final artwork, print-ready</source>
        <translation>Finale Druckvorlage, druckfertig</translation>
    </message>
    <message>
        <source>To</source>
        <translation>An</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>Betreff</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>Expires after</source>
        <translation>Läuft ab nach</translation>
    </message>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n Tag</numerusform>
            <numerusform>%n Tagen</numerusform>
        </translation>
    </message>
    <message>
        <source>Protection</source>
        <translation>Schutz</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Each recipient gets a code by email before they see the files. A forwarded email won’t open them.</source>
        <translation>Alle Empfänger bekommen per E-Mail einen Code, bevor sie die Dateien sehen. Eine weitergeleitete E-Mail öffnet sie nicht.</translation>
    </message>
    <message>
        <source>Who can ask for a code</source>
        <translation>Wer einen Code anfordern darf</translation>
    </message>
    <message>
        <source>Addresses, or a whole domain like %1. Anyone else with the link gets no code.</source>
        <translation>Adressen oder eine ganze Domain wie %1. Alle anderen mit dem Link bekommen keinen Code.</translation>
    </message>
    <message>
        <source>%1 or %2</source>
        <translation>%1 oder %2</translation>
    </message>
    <message>
        <source>Retry or remove the files that failed to upload.</source>
        <translation>Lade die fehlgeschlagenen Dateien erneut hoch oder entferne sie.</translation>
    </message>
    <message>
        <source>Waiting for the previous transfer…</source>
        <translation>Warte auf die vorherige Übertragung …</translation>
    </message>
    <message>
        <source>Send transfer</source>
        <translation>Übertragung senden</translation>
    </message>
    <message>
        <source>Create link</source>
        <translation>Link erstellen</translation>
    </message>
</context>
<context>
    <name>SettingsMenu</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Open at login</source>
        <translation>Beim Anmelden öffnen</translation>
    </message>
    <message>
        <source>Install updates automatically</source>
        <translation>Updates automatisch installieren</translation>
    </message>
    <message>
        <source>Check for updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Resume all</source>
        <translation>Alle fortsetzen</translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation>Alle anhalten</translation>
    </message>
    <message>
        <source>Upload on metered connections</source>
        <translation>Getaktete Verbindungen nutzen</translation>
    </message>
    <message>
        <source>Limit upload speed</source>
        <translation>Upload-Geschwindigkeit begrenzen</translation>
    </message>
    <message>
        <source>Open Parcella</source>
        <translation>Parcella öffnen</translation>
    </message>
    <message>
        <source>Sign out</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <source>Quit Parcella</source>
        <translation>Parcella beenden</translation>
    </message>
</context>
<context>
    <name>SignedInView</name>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Add files…</source>
        <translation>Dateien hinzufügen …</translation>
    </message>
    <message>
        <source>Paused on a metered connection</source>
        <translation>Angehalten bei getakteter Verbindung</translation>
    </message>
</context>
<context>
    <name>SignedInWelcomeView</name>
    <message>
        <source>You’re signed in</source>
        <translation>Du bist angemeldet</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Drop files here below, or send them from your file manager.</source>
        <translation>Lege Dateien hier unten ab oder sende sie aus deinem Dateimanager.</translation>
    </message>
</context>
<context>
    <name>SignedOutView</name>
    <message>
        <source>Signing in…</source>
        <translation>Anmeldung läuft …</translation>
    </message>
    <message>
        <source>Sign in</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <source>Confirm in your browser, then come back here.</source>
        <translation>Bestätige im Browser und komm dann hierher zurück.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Send large files right from the tray.</source>
        <translation>Große Dateien direkt aus dem Systembereich senden.</translation>
    </message>
    <message>
        <source>Drop files here, or choose «Send with Parcella» in your file manager. They upload in the background, and the link is copied when they’re done.</source>
        <translation>Lege Dateien hier ab oder wähle „Mit Parcella senden“ in deinem Dateimanager. Sie werden im Hintergrund hochgeladen, und der Link wird kopiert, sobald sie fertig sind.</translation>
    </message>
    <message numerus="yes">
        <source>%n files will upload once you’re signed in.</source>
        <translation>
            <numerusform>%n Datei wird hochgeladen, sobald du angemeldet bist.</numerusform>
            <numerusform>%n Dateien werden hochgeladen, sobald du angemeldet bist.</numerusform>
        </translation>
    </message>
    <message>
        <source>Your browser opens to sign in. Afterwards, Parcella waits for you up here in the tray.</source>
        <translation>Zum Anmelden öffnet sich dein Browser. Danach wartet Parcella hier oben im Systembereich auf dich.</translation>
    </message>
</context>
<context>
    <name>TransferRow</name>
    <message>
        <source>Copy link</source>
        <translation>Link kopieren</translation>
    </message>
    <message>
        <source>More actions</source>
        <translation>Weitere Aktionen</translation>
    </message>
    <message>
        <source>Open download page</source>
        <translation>Downloadseite öffnen</translation>
    </message>
    <message>
        <source>Change expiry</source>
        <translation>Ablauf ändern</translation>
    </message>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n Tag</numerusform>
            <numerusform>%n Tage</numerusform>
        </translation>
    </message>
    <message>
        <source>Delete transfer…</source>
        <translation>Übertragung löschen …</translation>
    </message>
    <message>
        <source>Delete this transfer?</source>
        <translation>Diese Übertragung löschen?</translation>
    </message>
    <message>
        <source>The link stops working right away and the files are deleted from storage within the hour. This can’t be undone.</source>
        <translation>Der Link funktioniert sofort nicht mehr, und die Dateien werden innerhalb einer Stunde aus dem Speicher gelöscht. Das lässt sich nicht rückgängig machen.</translation>
    </message>
    <message>
        <source>Delete transfer</source>
        <translation>Übertragung löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>UploadRow</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>%1 entfernen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
</context>
</TS>
